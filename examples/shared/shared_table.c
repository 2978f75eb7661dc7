/* Two programs sharing the tables through a shared engine (SRV6DB_ENGINE names the server).
 *
 *   srv6db_shared_example produce 1   stores the local SIDs of generation 1 (smooth id 1)
 *   srv6db_shared_example produce 2   restarted: re-marks the SIDs it still wants with smooth
 *                                     id 2 and deletes the stale ones, found by smooth id 1
 *   srv6db_shared_example consume F   follows the change feed (F is created once it listens)
 *                                     until SIGINT, then checks its copy against the table
 */
#define _POSIX_C_SOURCE 200809L

#include <inttypes.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "srv6_db.h"
#include "srv6db_engine.h"

enum { kSids = 12, kKept = 8, kVrf = 1 };

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

static int Consume(const char *readyFile) {
  struct sigaction sa;
  memset(&sa, 0, sizeof(sa));
  sa.sa_handler = OnSignal;
  sigaction(SIGINT, &sa, NULL);
  sigaction(SIGTERM, &sa, NULL);
  uint32_t sub;
  if (srv6db_engine_subscribe(1024, &sub) != 0) return 1;
  FILE *ready = fopen(readyFile, "w");
  if (ready == NULL) return 1;
  fclose(ready);

  /* A copy of the table kept from the changes alone, by the SID's last word. */
  Srv6DbLocalSidEntry copy[kSids + 1];
  int present[kSids + 1] = {0};
  static const char *const kKinds[] = {"created", "updated", "removed"};
  unsigned changes = 0;
  for (;;) {
    Srv6DbEngineChange c;
    uint32_t r = srv6db_engine_poll_change(sub, &c);
    if (r == SRV6DB_ENGINE_ERR_QUEUE_EMPTY) {
      if (g_stop) break;
      const struct timespec pause = {0, 2000000};
      nanosleep(&pause, NULL);
      continue;
    }
    if (r != 0 || c.table != 6 || c.kind > 2) return 1;
    Srv6DbLocalSidRecord rec;
    memcpy(&rec, c.record, sizeof(rec));
    Srv6DbLocalSidEntry e;
    memset(&e, 0, sizeof(e));
    SRV6_DB_GetLocalSidFields(&rec, &e);
    if (e.sid[3] < 1 || e.sid[3] > kSids) return 1;
    present[e.sid[3]] = c.kind != 2;
    copy[e.sid[3]] = e;
    ++changes;
    printf("consumer: local SID 2001:db8:100::%" PRIx32 " %s (smooth id %" PRIu32 ")\n", e.sid[3],
           kKinds[c.kind], e.smoothId);
  }
  srv6db_engine_unsubscribe(sub);

  /* The copy and the table agree record for record. */
  Srv6DbIter *iter = SRV6_DB_CreateLocalSidIterator(SRV6_DB_ITER_NO_COUNT);
  if (iter == NULL) return 1;
  unsigned inTable = 0, inCopy = 0, mismatched = 0;
  Srv6DbLocalSidEntry e;
  while (SRV6_DB_GetNextLocalSidEntry(iter, &e) == SRV6_DB_OK) {
    ++inTable;
    uint32_t t = e.sid[3];
    if (t < 1 || t > kSids || !present[t] || copy[t].smoothId != e.smoothId) ++mismatched;
  }
  SRV6_DB_ReleaseLocalSidIterator(iter);
  for (int t = 1; t <= kSids; ++t) inCopy += (unsigned)present[t];
  printf("consumer: saw %u changes; the table holds %u local SIDs, my copy %u: %s\n", changes,
         inTable, inCopy, mismatched == 0 && inTable == inCopy ? "they agree" : "they DIFFER");
  return mismatched == 0 && inTable == inCopy ? 0 : 1;
}

int main(int argc, char **argv) {
  setvbuf(stdout, NULL, _IOLBF, 0); /* lines of the two processes interleave as they happen */
  if (argc == 3 && strcmp(argv[1], "produce") == 0) return Produce((uint32_t)atoi(argv[2]));
  if (argc == 3 && strcmp(argv[1], "consume") == 0) return Consume(argv[2]);
  fprintf(stderr, "usage: %s produce 1|2 | consume READY_FILE\n", argv[0]);
  return 2;
}
