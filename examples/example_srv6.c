/* SRv6 part of the example: local SIDs of one SID function, found through the function index. */
#include <inttypes.h>
#include <stdio.h>
#include <string.h>

#include "example.h"
#include "srv6_db.h"
#include "srv6_db_ipv6.h"

/* 2001:db8:100::/48 locator; the SID's last word tells the local SIDs apart. */
static void FillLocalSid(Srv6DbLocalSidEntry *e, uint32_t functId, uint32_t sidTail) {
  memset(e, 0, sizeof(*e));
  e->vrId = 0;
  e->vrfIndex = 1;
  e->sid[0] = 0x20010DB8;
  e->sid[1] = 0x01000000;
  e->sid[3] = sidTail;
  e->prefixLen = 128;
  e->functId = functId;
}

void ExampleSrv6(void) {
  Srv6DbSidFunctEntry funct;
  memset(&funct, 0, sizeof(funct));
  funct.vrfIndex = 1;
  funct.functId = 10;
  funct.portGroupId = 3;
  if (SRV6_DB_CreateSidFunct(&funct) != SRV6_DB_OK) {
    printf("srv6: cannot store SID function %" PRIu32 "\n", funct.functId);
    return;
  }

  static const struct {
    uint32_t functId;
    uint32_t sidTail;
  } sids[] = {{10, 0x1}, {10, 0x2}, {11, 0x3}};
  for (size_t i = 0; i < sizeof(sids) / sizeof(sids[0]); ++i) {
    Srv6DbLocalSidEntry e;
    FillLocalSid(&e, sids[i].functId, sids[i].sidTail);
    if (SRV6_DB_CreateLocalSid(&e) != SRV6_DB_OK) {
      printf("srv6: cannot store local SID %zu\n", i);
      return;
    }
  }

  /* Walk the local SIDs bound to the function just stored. */
  Srv6DbLocalSidEntry key;
  FillLocalSid(&key, funct.functId, 0);
  Srv6DbIter *iter = SRV6_DB_CreateLocalSidIteratorByFunctId(&key, SRV6_DB_ITER_NO_COUNT);
  if (iter == NULL) {
    printf("srv6: cannot walk function %" PRIu32 "\n", funct.functId);
    return;
  }
  unsigned found = 0;
  Srv6DbLocalSidEntry sid;
  while (SRV6_DB_GetNextLocalSidEntry(iter, &sid) == SRV6_DB_OK) {
    char text[SRV6_DB_IPV6_TEXT_LEN];
    printf("srv6: function %" PRIu32 " serves %s/%u\n", sid.functId,
           SRV6_DB_Ipv6ToText(sid.sid, text, sizeof(text)), (unsigned)sid.prefixLen);
    ++found;
  }
  SRV6_DB_ReleaseLocalSidIterator(iter);
  printf("srv6: %u local SIDs bound to function %" PRIu32 "\n", found, funct.functId);
}
