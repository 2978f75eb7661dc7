/* A routing process's use of srv6db: hooks, common records written, read, re-marked with a
 * new smooth id, walked, stale ones deleted, and the failure statistics printed. */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "example.h"
#include "srv6_db.h"
#include "srv6_db_ipv6.h"

static unsigned g_liveHandles;

static void *TrackedMalloc(size_t size) {
  ++g_liveHandles;
  return malloc(size);
}

static void TrackedFree(void *ptr) {
  if (ptr != NULL) --g_liveHandles;
  free(ptr);
}

static void ErrLog(const char *format, ...) {
  va_list args;
  va_start(args, format);
  fputs("error: ", stdout);
  vprintf(format, args);
  fputc('\n', stdout);
  va_end(args);
}

enum { kRecords = 6, kOldSmooth = 1, kNewSmooth = 2 };

static void ExampleCommon(void) {
  Srv6DbCommonEntry entry;
  for (uint32_t id = 1; id <= kRecords; ++id) {
    memset(&entry, 0, sizeof(entry));
    entry.commonId = id;
    entry.ipv6Addr1[0] = 0x20010DB8; /* 2001:db8::<id> */
    entry.ipv6Addr1[3] = id;
    entry.smoothId = kOldSmooth;
    entry.data1 = 1000u + id;
    if (SRV6_DB_CreateCommon(&entry) != SRV6_DB_OK) printf("create %u failed\n", id);
  }

  memset(&entry, 0, sizeof(entry));
  entry.commonId = 3;
  if (SRV6_DB_ReadCommon(&entry) == SRV6_DB_OK) {
    char text[SRV6_DB_IPV6_TEXT_LEN];
    printf("common 3: address %s, data1 %llu\n",
           SRV6_DB_Ipv6ToText(entry.ipv6Addr1, text, sizeof(text)),
           (unsigned long long)entry.data1);
  }

  /* A resync re-marks what is still wanted with the new smooth id; 7 was never stored. */
  for (uint32_t id = 1; id <= kRecords + 1; id += 2) {
    memset(&entry, 0, sizeof(entry));
    entry.commonId = id;
    entry.smoothId = kNewSmooth;
    if (SRV6_DB_UpdateCommonSmoothId(&entry) != SRV6_DB_OK) printf("re-mark %u failed\n", id);
  }

  /* Walk the table and delete what the resync did not re-mark. */
  Srv6DbIter *iter = SRV6_DB_CreateCommonIterator(SRV6_DB_ITER_NO_COUNT);
  unsigned kept = 0, deleted = 0;
  while (iter != NULL && SRV6_DB_GetNextCommonEntry(iter, &entry) == SRV6_DB_OK) {
    if (entry.smoothId == kNewSmooth) {
      ++kept;
    } else if (SRV6_DB_DeleteCommon(&entry) == SRV6_DB_OK) {
      ++deleted;
    }
  }
  SRV6_DB_ReleaseCommonIterator(iter);
  printf("common table: %u kept, %u stale deleted\n", kept, deleted);
}

static void PrintStatistics(void) {
  for (uint16_t table = 0; table < SRV6_DB_TABLE_NUM; ++table) {
    for (uint16_t stat = 0; stat < SRV6_DB_STAT_NUM; ++stat) {
      const Srv6DbStatEntry *cell = SRV6_DB_GetStat(table, stat);
      if (cell->count != 0) {
        printf("statistic %s of %s: %u\n", SRV6_DB_GetDbStatDesc(stat)->statName,
               SRV6_DB_GetGlbCtl(table)->tableName, cell->count);
      }
    }
  }
}

int main(void) {
  const Srv6DbMemCallback mem = {TrackedMalloc, TrackedFree};
  const Srv6DbLogCallBack log = {NULL, ErrLog};
  SRV6_DB_InitMem(&mem);
  if (SRV6_DB_LogFuncInit(&log) != SRV6_DB_OK) return 1;

  ExampleCommon();
  ExampleSrv6();
  ExampleSrv6Te();
  ExampleTe();

  PrintStatistics();
  printf("iterator handles still allocated: %u\n", g_liveHandles);
  return g_liveHandles == 0 ? 0 : 1;
}
