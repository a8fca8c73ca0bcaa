\echo Use "CREATE EXTENSION kuv" to load this file. \quit

-- 1 when the object's compiled effectivity passes the compiled filter, 0
-- when it does not, NULL when the object's binary is empty or unreadable.
-- A filter that is not a readable compiled filter is an error.
CREATE FUNCTION kuv_visible(filter bytea, object bytea) RETURNS int4
AS 'MODULE_PATHNAME', 'kuv_visible'
LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;

-- The valuated diversity domains of a compiled binary as a bit mask: bit
-- (d - 1) is set for domain d (1..5). NULL when the binary is empty or
-- unreadable.
CREATE FUNCTION kuv_domains(object bytea) RETURNS int4
AS 'MODULE_PATHNAME', 'kuv_domains'
LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;

-- The kuv library's version.
CREATE FUNCTION kuv_version() RETURNS text
AS 'MODULE_PATHNAME', 'kuv_version'
LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
