/* Two programs sharing the tables through a shared engine (SRV6DB_ENGINE names the server).
 *
 *   srv6db_shared_example produce 1   stores the local SIDs of generation 1 (smooth id 1)
 *   srv6db_shared_example produce 2   restarted: re-marks the SIDs it still wants with smooth
 *                                     id 2 and deletes the stale ones, found by smooth id 1
 *   srv6db_shared_example consume S F keeps a copy of the table from its change log until
 *                                     SIGINT, then checks the copy against the table. S holds
 *                                     the copy and the revision it reached: started again
 *                                     (after kill -9, say) it resumes from there, and lists the
 *                                     table afresh when the log no longer holds what follows.
 *                                     F is created once it follows.
 */
#define _POSIX_C_SOURCE 200809L

#include <inttypes.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "srv6_db.h"
#include "srv6db_engine.h"

enum { kSids = 12, kKept = 8, kVrf = 1, kLocalSidTable = 6 };

static void FillLocalSid(Srv6DbLocalSidEntry *e, uint32_t tail, uint32_t smoothId) {
  memset(e, 0, sizeof(*e));
  e->vrfIndex = kVrf;
  e->sid[0] = 0x20010DB8;
  e->sid[1] = 0x01000000;
  e->sid[3] = tail;
  e->prefixLen = 128;
  e->functId = 10;
  e->smoothId = smoothId;
}

static int Produce(uint32_t generation) {
  Srv6DbLocalSidEntry e;
  if (generation == 1) {
    for (uint32_t tail = 1; tail <= kSids; ++tail) {
      FillLocalSid(&e, tail, 1);
      if (SRV6_DB_CreateLocalSid(&e) != SRV6_DB_OK) return 1;
    }
    printf("producer 1: stored %d local SIDs with smooth id 1, exiting\n", kSids);
    return 0;
  }
  /* A restarted producer re-marks what it still wants... */
  for (uint32_t tail = 1; tail <= kKept; ++tail) {
    FillLocalSid(&e, tail, 2);
    if (SRV6_DB_UpdateLocalSidSmoothId(&e) != SRV6_DB_OK) return 1;
  }
  /* ...and deletes what is still marked with the previous smooth id. */
  Srv6DbSmoothKey stale = {0, kVrf, 1};
  Srv6DbIter *iter = SRV6_DB_CreateLocalSidIteratorByVrf(&stale, 64);
  if (iter == NULL) return 1;
  unsigned deleted = 0;
  while (SRV6_DB_GetNextLocalSidEntry(iter, &e) == SRV6_DB_OK)
    deleted += SRV6_DB_DeleteLocalSid(&e) == SRV6_DB_OK;
  SRV6_DB_ReleaseLocalSidIterator(iter);
  printf("producer 2: re-marked %d local SIDs with smooth id 2, deleted %u stale ones\n", kKept,
         deleted);
  return 0;
}

static volatile sig_atomic_t g_stop = 0;
static void OnSignal(int sig) {
  (void)sig;
  g_stop = 1;
}

/* The consumer's state: where it is in the log, and the copy that far. */
typedef struct {
  Srv6DbEngineCursor at;
  int present[kSids + 1];
  uint32_t smoothId[kSids + 1];
} Copy;

/* Applies a record as it now stands (present) or as it was removed. */
static int Apply(Copy *c, const void *record, int present) {
  Srv6DbLocalSidRecord rec;
  memcpy(&rec, record, sizeof(rec));
  Srv6DbLocalSidEntry e;
  memset(&e, 0, sizeof(e));
  SRV6_DB_GetLocalSidFields(&rec, &e);
  if (e.sid[3] < 1 || e.sid[3] > kSids) return 1;
  c->present[e.sid[3]] = present;
  c->smoothId[e.sid[3]] = e.smoothId;
  return 0;
}

static int ListedRecord(const void *record, uint32_t len, void *user) {
  (void)len;
  return Apply(user, record, 1);
}

/* Saved whole or not at all: written aside, then renamed over the old state. */
static int Save(const Copy *c, const char *path) {
  char tmp[4096];
  snprintf(tmp, sizeof(tmp), "%s.tmp", path);
  FILE *f = fopen(tmp, "wb");
  if (f == NULL) return 1;
  int ok = fwrite(c, sizeof(*c), 1, f) == 1;
  ok &= fflush(f) == 0 && fsync(fileno(f)) == 0;
  ok &= fclose(f) == 0;
  return ok && rename(tmp, path) == 0 ? 0 : 1;
}

static int Relist(Copy *c) {
  memset(c->present, 0, sizeof(c->present));
  if (srv6db_engine_snapshot(kLocalSidTable, ListedRecord, c, &c->at) != 0) return 1;
  printf("consumer: listed the table, following from revision %" PRIu64 "\n", c->at.revision);
  return 0;
}

static int Consume(const char *statePath, const char *readyFile) {
  struct sigaction sa;
  memset(&sa, 0, sizeof(sa));
  sa.sa_handler = OnSignal;
  sigaction(SIGINT, &sa, NULL);
  sigaction(SIGTERM, &sa, NULL);
  static Copy copy;
  FILE *saved = fopen(statePath, "rb");
  if (saved != NULL && fread(&copy, sizeof(copy), 1, saved) == 1) {
    printf("consumer: resuming after revision %" PRIu64 "\n", copy.at.revision);
  } else if (Relist(&copy) != 0 || Save(&copy, statePath) != 0) {
    return 1;
  }
  if (saved != NULL) fclose(saved);
  FILE *ready = fopen(readyFile, "w");
  if (ready == NULL) return 1;
  fclose(ready);

  static const char *const kKinds[] = {"created", "updated", "removed"};
  static Srv6DbEngineChange changes[16];
  unsigned seen = 0;
  while (!g_stop) {
    uint32_t n = 0;
    uint32_t r = srv6db_engine_read_log(&copy.at, 1, changes, 16, &n, 200);
    if (r == SRV6DB_ENGINE_ERR_LOG_GAP) {
      printf("consumer: the log no longer holds what follows revision %" PRIu64 "\n",
             copy.at.revision);
      if (Relist(&copy) != 0 || Save(&copy, statePath) != 0) return 1;
      continue;
    }
    if (r != 0) return 1;
    for (uint32_t i = 0; i < n; ++i) {
      const Srv6DbEngineChange *c = &changes[i];
      if (c->kind > 2 || Apply(&copy, c->record, c->kind != SRV6DB_ENGINE_CHANGE_REMOVE) != 0)
        return 1;
      Srv6DbLocalSidRecord rec;
      memcpy(&rec, c->record, sizeof(rec));
      Srv6DbLocalSidEntry e;
      SRV6_DB_GetLocalSidFields(&rec, &e);
      printf("consumer: revision %" PRIu64 ": local SID 2001:db8:100::%" PRIx32
             " %s (smooth id %" PRIu32 ")\n",
             c->revision, e.sid[3], kKinds[c->kind], e.smoothId);
    }
    seen += n;
    if (n != 0 && Save(&copy, statePath) != 0) return 1;
  }

  /* The copy and the table agree record for record. */
  Srv6DbIter *iter = SRV6_DB_CreateLocalSidIterator(SRV6_DB_ITER_NO_COUNT);
  if (iter == NULL) return 1;
  unsigned inTable = 0, inCopy = 0, mismatched = 0;
  Srv6DbLocalSidEntry e;
  while (SRV6_DB_GetNextLocalSidEntry(iter, &e) == SRV6_DB_OK) {
    ++inTable;
    uint32_t t = e.sid[3];
    if (t < 1 || t > kSids || !copy.present[t] || copy.smoothId[t] != e.smoothId) ++mismatched;
  }
  SRV6_DB_ReleaseLocalSidIterator(iter);
  for (int t = 1; t <= kSids; ++t) inCopy += (unsigned)copy.present[t];
  printf("consumer: saw %u changes; the table holds %u local SIDs, my copy %u: %s\n", seen,
         inTable, inCopy, mismatched == 0 && inTable == inCopy ? "they agree" : "they DIFFER");
  return mismatched == 0 && inTable == inCopy ? 0 : 1;
}

int main(int argc, char **argv) {
  setvbuf(stdout, NULL, _IOLBF, 0); /* lines of the two processes interleave as they happen */
  if (argc == 3 && strcmp(argv[1], "produce") == 0) return Produce((uint32_t)atoi(argv[2]));
  if (argc == 4 && strcmp(argv[1], "consume") == 0) return Consume(argv[2], argv[3]);
  fprintf(stderr, "usage: %s produce 1|2 | consume STATE_FILE READY_FILE\n", argv[0]);
  return 2;
}
