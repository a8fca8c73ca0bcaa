/* The SQL functions of the kuv extension. Everything they answer comes from
 * the kuv library through kuv_glue.h; this file holds only what PostgreSQL
 * needs: argument access, the per-query filter cache and the SQL errors. */
#include "postgres.h"

#include "fmgr.h"
#include "utils/builtins.h"
#include "utils/memutils.h"

#include "kuv_glue.h"

PG_MODULE_MAGIC;

void _PG_init(void);
void _PG_init(void) { kuv_pg_silence(); }

/* The decoded filter of one call site, kept in its flinfo for the rest of
 * the query: a query decodes its filter once. The handler belongs to the
 * cache, the cache to the function's memory context, whose reset callback
 * frees the handler. */
typedef struct FilterCache {
  KuvPgFilter* filter;
  char* bytes; /* the filter's binary, to see when the argument changes */
  uint32 size;
  MemoryContextCallback release;
} FilterCache;

static void release_filter(void* arg) {
  FilterCache* cache = (FilterCache*)arg;

  kuv_pg_filter_free(cache->filter);
  cache->filter = NULL;
}

static const KuvPgFilter* cached_filter(FunctionCallInfo fcinfo, const bytea* binary) {
  FilterCache* cache = (FilterCache*)fcinfo->flinfo->fn_extra;
  const char* bytes = VARDATA_ANY(binary);
  const uint32 size = (uint32)VARSIZE_ANY_EXHDR(binary);
  MemoryContext context = fcinfo->flinfo->fn_mcxt;
  KuvPgFilter* filter = NULL;
  char* copy;
  int32 code;

  if (cache != NULL && cache->filter != NULL && cache->size == size && memcmp(cache->bytes, bytes, size) == 0)
    return cache->filter;
  if (cache == NULL) {
    cache = (FilterCache*)MemoryContextAllocZero(context, sizeof(FilterCache));
    cache->release.func = release_filter;
    cache->release.arg = cache;
    MemoryContextRegisterResetCallback(context, &cache->release);
    fcinfo->flinfo->fn_extra = cache;
  }
  /* Allocated before decoding, so that no error can leave a handler without
   * an owner; a refused filter leaves the cache as it was. */
  copy = (char*)MemoryContextAlloc(context, size > 0 ? size : 1);
  memcpy(copy, bytes, size);
  code = kuv_pg_filter_new((const uint8*)bytes, size, &filter);
  if (code < 0) {
    pfree(copy);
    ereport(ERROR, (errcode(ERRCODE_INVALID_BINARY_REPRESENTATION),
                    errmsg("kuv: the filter is not a readable compiled filter (0x%08X)", (uint32)code)));
  }
  kuv_pg_filter_free(cache->filter);
  if (cache->bytes != NULL) pfree(cache->bytes);
  cache->filter = filter;
  cache->bytes = copy;
  cache->size = size;
  return filter;
}

PG_FUNCTION_INFO_V1(kuv_visible);
Datum kuv_visible(PG_FUNCTION_ARGS) {
  const KuvPgFilter* filter = cached_filter(fcinfo, PG_GETARG_BYTEA_PP(0));
  const bytea* object = PG_GETARG_BYTEA_PP(1);
  int32 answer = -1;
  const int32 code =
      kuv_pg_filter_apply(filter, (const uint8*)VARDATA_ANY(object), (uint32)VARSIZE_ANY_EXHDR(object), &answer);

  if (code < 0)
    ereport(ERROR, (errcode(ERRCODE_INTERNAL_ERROR),
                    errmsg("kuv: the filter could not be tested against an object (0x%08X)", (uint32)code)));
  if (answer < 0) PG_RETURN_NULL();
  PG_RETURN_INT32(answer);
}

PG_FUNCTION_INFO_V1(kuv_domains);
Datum kuv_domains(PG_FUNCTION_ARGS) {
  const bytea* object = PG_GETARG_BYTEA_PP(0);
  int32 mask = 0;

  if (kuv_pg_domains((const uint8*)VARDATA_ANY(object), (uint32)VARSIZE_ANY_EXHDR(object), &mask) != 0)
    PG_RETURN_NULL();
  PG_RETURN_INT32(mask);
}

PG_FUNCTION_INFO_V1(kuv_version);
Datum kuv_version(PG_FUNCTION_ARGS) { PG_RETURN_TEXT_P(cstring_to_text(kuv_pg_version())); }
