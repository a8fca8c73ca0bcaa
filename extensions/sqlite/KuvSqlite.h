// kuv inside SQLite: a loadable extension (libkuv_sqlite.so) that lets a
// query filter the compiled binaries a table holds, the library answering
// every row:
//
//     .load libkuv_sqlite
//     SELECT id FROM part WHERE kuv_visible(:filter, eff);
//
// Functions, all deterministic and innocuous:
//   kuv_visible(filter, object)  1 the object passes the compiled filter,
//       0 it does not (KuvFilterHandler::Apply), NULL when the object's
//       binary is empty or not a readable effectivity (ApplyQuery's -1) and
//       when either argument is NULL. The filter is decoded once per
//       statement while it stays the same value (a bound parameter or a
//       literal). An unreadable filter is an SQL error "kuv: the filter is
//       not a readable compiled filter (0x80004005)", with the reader's
//       code; a failing intersection test, which fails ApplyQuery, is an
//       SQL error "kuv: the intersection test failed (0x...)".
//   kuv_domains(object)  the domains the binary's domain table lists
//       (KuvCompiledBinaryParser::GetValuatedDomains) as an INTEGER with
//       bit d-1 set for domain d (1..5): 2 for Config Change alone, 0 for a
//       composition matrix; NULL for NULL, an empty or unreadable binary.
//   kuv_version()  the library's version text (KuvVersion).
// Values that are not BLOBs are read as their bytes, as SQLite converts
// them.
//
// Trace lines: the library prints its error lines on standard output,
// which is the host's (the sqlite3 shell's query output). The extension
// sets the trace channels of the filter and binary readers silent, then
// gives them back their flags: kuv_domains for each call, kuv_visible for
// as long as the statement keeps the filter, from its first row until it
// is done, reset or finalized (a statement left half-stepped keeps them
// silent). Overlapping calls share one silence, so the flags always come
// back. The flags are process-wide: kuv used directly by the host in that
// time, on any thread, loses those channels' error lines.
//
// Ownership: the statement owns the decoded filter and the silence
// (SQLite's auxiliary data of argument 0) and frees them when it discards
// them; object binaries stay SQLite's. No C++ exception leaves the
// extension.
#pragma once

struct sqlite3;
struct sqlite3_api_routines;

// The entry point SQLite derives from the file name; registers the
// functions on db.
extern "C" __attribute__((visibility("default"))) int sqlite3_kuvsqlite_init(sqlite3* db, char** errorMessage,
                                                                             const sqlite3_api_routines* api);
