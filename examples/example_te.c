/* Flow groups, SR tunnels in one next-hop group, and a walk of the VRF class data records. */
#include <inttypes.h>
#include <stdio.h>
#include <string.h>

#include "example.h"
#include "srv6_db.h"
#include "srv6db_engine.h"

static void StoreFlowGroup(void) {
  Srv6DbFlowGrpEntry grp;
  memset(&grp, 0, sizeof(grp));
  grp.vrId = 0;
  grp.vrfIndex = 7;
  grp.grpId = 100;
  grp.grpType = 1;
  grp.ipv6Addr1[0] = 0x20010db8u; /* 2001:db8::1 */
  grp.ipv6Addr1[3] = 1;
  grp.smoothId = 1;
  if (SRV6_DB_CreateFlowGrp(&grp) != SRV6_DB_OK) return;

  Srv6DbFlowGrpTnlEntry tnl;
  memset(&tnl, 0, sizeof(tnl));
  tnl.vrfIndex = 7;
  tnl.grpType = 1;
  tnl.grpId = 100;
  tnl.iidGroupId = 3;
  for (uint32_t i = 0; i < 2; ++i) {
    tnl.tnlKeyId = 500 + i;
    SRV6_DB_CreateFlowGrpTnl(&tnl);
  }
  uint64_t tunnels = 0;
  if (SRV6_DB_CountFlowGrpTnlByIidGroupId(&tnl, &tunnels) == SRV6_DB_OK) {
    printf("flow group %" PRIu32 ": %" PRIu64 " tunnels in IID group %" PRIu32 "\n", grp.grpId,
           tunnels, tnl.iidGroupId);
  }
}

static void StoreSrTunnels(void) {
  const uint32_t vrfIndex = 7;
  const uint32_t nhpGrpId = 40;
  Srv6DbSprTnlGrpEntry grp;
  memset(&grp, 0, sizeof(grp));
  grp.vrfIndex = vrfIndex;
  grp.nhpGrpId = nhpGrpId;
  SRV6_DB_CreateSprTnlGrp(&grp);

  Srv6DbSprTnlEntry tnl;
  memset(&tnl, 0, sizeof(tnl));
  tnl.vrfIndex = vrfIndex;
  tnl.tunnelId = 9;
  tnl.tunnelType = 2;
  tnl.attr1 = nhpGrpId; /* the group the in-memory engine files the tunnel under */
  for (uint32_t i = 0; i < 3; ++i) {
    tnl.tnlIndex = i;
    SRV6_DB_CreateSprTnl(&tnl);
  }

  Srv6DbIter *iter =
      SRV6_DB_CreateSprTnlIteratorByGrpId(0, vrfIndex, nhpGrpId, SRV6_DB_ITER_NO_COUNT);
  uint32_t walked = 0;
  while (iter != NULL && SRV6_DB_GetNextSprTnlEntry(iter, &tnl) == SRV6_DB_OK) ++walked;
  SRV6_DB_ReleaseSprTnlIterator(iter);
  printf("next-hop group %" PRIu32 ": %" PRIu32 " SR tunnels\n", nhpGrpId, walked);
}

static void WalkVrfClassData(void) {
  for (uint32_t vrf = 1; vrf <= 2; ++vrf) {
    Srv6DbEngineVrfClassData data;
    memset(&data, 0, sizeof(data));
    data.tableId = 13;
    data.vrfIndex = vrf;
    data.vrfState = 1;
    srv6db_engine_vrf_add(&data);
  }

  Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(SRV6_DB_ITER_NO_COUNT);
  Srv6DbVrfClassData data;
  while (iter != NULL && SRV6_DB_GetNextVrfClassData(iter, &data) == SRV6_DB_OK) {
    printf("VRF %" PRIu32 ": class data of table %" PRIu32 ", state %" PRIu32 "\n", data.vrfIndex,
           data.tableId, data.vrfState);
  }
  SRV6_DB_ReleaseVrfClassDataIterator(iter);
}

void ExampleTe(void) {
  StoreFlowGroup();
  StoreSrTunnels();
  WalkVrfClassData();
}
