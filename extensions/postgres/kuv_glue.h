/* The kuv library seen from C: what the PostgreSQL functions of the kuv
 * extension call. Nothing here throws or jumps: every call answers with a
 * kuv result code (0 success, negative failure), so the C side alone raises
 * SQL errors and no longjmp ever crosses a C++ frame.
 *
 * Ownership: a KuvPgFilter made by kuv_pg_filter_new is the caller's, freed
 * with kuv_pg_filter_free. Byte buffers stay the caller's and are not kept. */
#ifndef KUV_GLUE_H
#define KUV_GLUE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct KuvPgFilter KuvPgFilter;

/* Silences every trace channel the calls below reach: a corrupt row is an
 * answer (NULL), not something for the server log. */
void kuv_pg_silence(void);

/* *filter (null on entry) becomes the decoded compiled filter; on failure
 * it stays null and the code is the library's. */
int32_t kuv_pg_filter_new(const uint8_t* bytes, uint32_t size, KuvPgFilter** filter);
void kuv_pg_filter_free(KuvPgFilter* filter);

/* *answer: 1 the object passes, 0 it does not, -1 its binary is empty or
 * not a readable effectivity. Only a failing intersection test fails. */
int32_t kuv_pg_filter_apply(const KuvPgFilter* filter, const uint8_t* bytes, uint32_t size, int32_t* answer);

/* *mask: bit (d - 1) set for each valuated diversity domain d (1..5) of
 * the compiled binary. S_FALSE (1) for an empty binary, a failure code for
 * an unreadable one; *mask is then left alone. */
int32_t kuv_pg_domains(const uint8_t* bytes, uint32_t size, int32_t* mask);

/* The library's version text. */
const char* kuv_pg_version(void);

#ifdef __cplusplus
}
#endif

#endif
