/* Records which basic blocks of libkuv.so a process runs. Every block of a
   build made with -fsanitize-coverage=trace-pc calls the hook below; the
   blocks that lie in the library are marked in a map as large as its code,
   which is written at exit, one offset a line, to $KUV_TESTCOV_OUT.<pid>
   (the pid keeps a tool a test starts from overwriting the test's map). */
#define _GNU_SOURCE
#include <link.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static uintptr_t g_base, g_end;
static unsigned char* g_map;
static int g_state; /* 0: not looked for yet, 1: recording, 2: no library */

static int findLibrary(struct dl_phdr_info* info, size_t size, void* data) {
  (void)size;
  (void)data;
  if (info->dlpi_name == NULL || strstr(info->dlpi_name, "libkuv.so") == NULL) return 0;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)* segment = &info->dlpi_phdr[i];
    const uintptr_t end = info->dlpi_addr + segment->p_vaddr + segment->p_memsz;
    if (segment->p_type == PT_LOAD && (segment->p_flags & PF_X) && end > g_end) g_end = end;
  }
  g_base = info->dlpi_addr;
  return 1;
}

static void writeMap(void) {
  const char* out = getenv("KUV_TESTCOV_OUT");
  if (out == NULL) return;
  char path[4096];
  snprintf(path, sizeof path, "%s.%d", out, (int)getpid());
  FILE* file = fopen(path, "w");
  if (file == NULL) return;
  for (uintptr_t i = 0; i < g_end - g_base; ++i)
    if (g_map[i]) fprintf(file, "%lx\n", (unsigned long)i);
  fclose(file);
}

void __sanitizer_cov_trace_pc(void) {
  const uintptr_t pc = (uintptr_t)__builtin_return_address(0);
  if (g_state == 0) {
    g_state = 2;
    dl_iterate_phdr(findLibrary, NULL);
    if (g_end <= g_base || (g_map = calloc(g_end - g_base, 1)) == NULL) return;
    g_state = 1;
    atexit(writeMap);
  }
  if (g_state == 1 && pc >= g_base && pc < g_end) g_map[pc - g_base] = 1;
}
