/* One SRv6-TE flow: a policy, its candidate paths walked by group, and a SID stack. */
#include <stdio.h>
#include <string.h>

#include "example.h"
#include "srv6_db.h"
#include "srv6_db_ipv6.h"

enum { kVrId = 1, kVrfIndex = 10, kTunnelId = 100, kGroupId = 1, kListId = 7 };

static void StorePolicy(void) {
  Srv6DbPolicyEntry policy;
  memset(&policy, 0, sizeof(policy));
  policy.vrId = kVrId;
  policy.vrfIndex = kVrfIndex;
  policy.tunnelId = kTunnelId;
  policy.priGroupId = kGroupId;
  policy.ipv6Addr1[0] = 0x20010DB8; /* endpoint 2001:db8::5 */
  policy.ipv6Addr1[3] = 5;
  if (SRV6_DB_CreatePolicy(&policy) != SRV6_DB_OK) printf("policy create failed\n");

  /* Three paths, two of them in the policy's primary group. */
  static const uint32_t kPaths[][2] = {{kGroupId, 11}, {kGroupId, 12}, {kGroupId + 1, 21}};
  for (size_t i = 0; i < sizeof(kPaths) / sizeof(kPaths[0]); ++i) {
    Srv6DbCandiPathEntry path;
    memset(&path, 0, sizeof(path));
    path.vrId = kVrId;
    path.vrfIndex = kVrfIndex;
    path.tunnelId = kTunnelId;
    path.groupId = kPaths[i][0];
    path.xcId = kPaths[i][1];
    if (SRV6_DB_CreateCandiPath(&path) != SRV6_DB_OK) printf("path create failed\n");
  }
}

static void WalkPrimaryGroup(void) {
  /* The caller knows the group, not the policy's key: find the policy by it first. */
  Srv6DbPolicyEntry policy;
  memset(&policy, 0, sizeof(policy));
  policy.vrId = kVrId;
  policy.vrfIndex = kVrfIndex;
  policy.tunnelId = kTunnelId;
  policy.priGroupId = kGroupId;
  if (SRV6_DB_ReadPolicyByPriGroup(&policy) != SRV6_DB_OK) {
    printf("policy of group %u not found\n", (unsigned)kGroupId);
    return;
  }
  const Srv6DbCandiPathGroupInfo group = {policy.vrId, policy.vrfIndex, policy.tunnelId,
                                          policy.priGroupId};
  Srv6DbIter *iter = SRV6_DB_CreateCandiPathIteratorByGroupInfo(&group, SRV6_DB_ITER_NO_COUNT);
  Srv6DbCandiPathEntry path;
  unsigned paths = 0;
  while (iter != NULL && SRV6_DB_GetNextCandiPathEntry(iter, &path) == SRV6_DB_OK) ++paths;
  SRV6_DB_ReleaseCandiPathIterator(iter);
  printf("policy %u: %u candidate paths in primary group %u\n", policy.tunnelId, paths,
         policy.priGroupId);
}

static void StoreSidStack(void) {
  Srv6DbSidStackEntry stack;
  memset(&stack, 0, sizeof(stack));
  stack.vrId = kVrId;
  stack.vrfIndex = kVrfIndex;
  stack.listId = kListId;
  for (uint32_t i = 0; i < 3; ++i) { /* 2001:db8:0:<i+1>:: */
    stack.sidList[i][0] = 0x20010DB8;
    stack.sidList[i][1] = i + 1;
  }
  if (SRV6_DB_CreateSidStack(&stack) != SRV6_DB_OK) printf("SID stack create failed\n");

  memset(&stack, 0, sizeof(stack));
  stack.vrId = kVrId;
  stack.vrfIndex = kVrfIndex;
  stack.listId = kListId;
  if (SRV6_DB_ReadSidStack(&stack) == SRV6_DB_OK) {
    char text[SRV6_DB_IPV6_TEXT_LEN];
    printf("SID stack %u: last SID %s\n", stack.listId,
           SRV6_DB_Ipv6ToText(stack.sidList[2], text, sizeof(text)));
  }
}

void ExampleSrv6Te(void) {
  StorePolicy();
  WalkPrimaryGroup();
  StoreSidStack();
}
