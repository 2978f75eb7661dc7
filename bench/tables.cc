// Entry makers and function tables of the benchmarked tables: Local SID, Policy, SID stack.
#include "bench/tables.h"

#include <cstddef>
#include <cstring>

#include "engine/engine_api.h"

namespace srv6db::bench {
namespace {

// A documentation-prefix address unique per record.
void Address(uint32_t i, uint32_t salt, uint32_t out[4]) {
  out[0] = 0x20010DB8;
  out[1] = salt;
  out[2] = i >> 16;
  out[3] = i;
}

void MakeLocalSid(uint32_t i, uint32_t group, void *out) {
  auto *e = static_cast<Srv6DbLocalSidEntry *>(out);
  std::memset(e, 0, sizeof(*e));
  const Srv6DbSmoothKey k = GroupKey(group);
  e->vrId = k.vrId;
  e->vrfIndex = k.vrfIndex;
  e->smoothId = k.smoothId;
  Address(i, 1, e->sid);
  e->prefixLen = 128;
  e->functId = i / 16;
  e->attr1 = i * 7;
  e->attr2 = 3;
  e->data1 = i;
  e->data2 = ~uint64_t{i};
}

void MakePolicy(uint32_t i, uint32_t group, void *out) {
  auto *e = static_cast<Srv6DbPolicyEntry *>(out);
  std::memset(e, 0, sizeof(*e));
  const Srv6DbSmoothKey k = GroupKey(group);
  e->vrId = k.vrId;
  e->vrfIndex = k.vrfIndex;
  e->smoothId = k.smoothId;
  e->tunnelId = i;
  e->tunnelType = 1;
  e->priGroupId = i;  // one policy per group: the unique read finds exactly one
  e->backupGroupId = i + 1;
  Address(i, 2, e->ipv6Addr1);
  Address(i, 3, e->ipv6Addr2);
  for (uint32_t b = 0; b < sizeof(e->octets); ++b) e->octets[b] = static_cast<uint8_t>(i + b);
  e->data1 = i;
}

void MakeSidStack(uint32_t i, uint32_t group, void *out) {
  auto *e = static_cast<Srv6DbSidStackEntry *>(out);
  std::memset(e, 0, sizeof(*e));
  const Srv6DbSmoothKey k = GroupKey(group);
  e->vrId = k.vrId;
  e->vrfIndex = k.vrfIndex;
  e->smoothId = k.smoothId;
  e->listId = i;
  e->listType = 2;
  Address(i, 4, e->localSid);
  for (uint32_t s = 0; s < 9; ++s) Address(i, 16 + s, e->sidList[s]);
  Address(i / 4, 5, e->iid);
  e->iidPrefixLen = 64;
  e->attr3 = i;
  e->data1 = i;
}

// Library functions of one table, adapted to untyped pointers.
#define SRV6DB_BENCH_LIBRARY(T, E, R)                                                       \
  [](const void *e, void *r) {                                                              \
    SRV6_DB_Set##T##Fields(static_cast<const E *>(e), static_cast<R *>(r));                 \
  },                                                                                        \
      [](const void *e) { return SRV6_DB_Create##T(static_cast<const E *>(e)); },           \
      [](void *e) { return SRV6_DB_Read##T(static_cast<E *>(e)); },                         \
      [](const void *e) { return SRV6_DB_Update##T##SmoothId(static_cast<const E *>(e)); }, \
      [](const void *e) { return SRV6_DB_Delete##T(static_cast<const E *>(e)); }

#define SRV6DB_BENCH_ITERATORS(T, E)                                                              \
  SRV6_DB_Set##T##SmoothHashKey, SRV6_DB_Create##T##Iterator, SRV6_DB_Create##T##IteratorByVrf,   \
      [](Srv6DbIter *it, void *e) { return SRV6_DB_GetNext##T##Entry(it, static_cast<E *>(e)); }, \
      SRV6_DB_Release##T##Iterator

}  // namespace

// clang-format off
const TableSpec kLocalSidSpec = {
    "LocalSid", SRV6_DB_TABLE_LOCAL_SID, sizeof(Srv6DbLocalSidEntry), sizeof(Srv6DbLocalSidRecord),
    2, 0, offsetof(Srv6DbLocalSidEntry, smoothId), MakeLocalSid,
    SRV6DB_BENCH_LIBRARY(LocalSid, Srv6DbLocalSidEntry, Srv6DbLocalSidRecord),
    nullptr,
    SRV6DB_BENCH_ITERATORS(LocalSid, Srv6DbLocalSidEntry),
    db_create_srv6_local_sid_obj, db_release_srv6_local_sid_object,
    db_set_srv6_local_sid_all_fields, db_set_srv6_local_sid_table_smooth_id};

const TableSpec kPolicySpec = {
    "Policy", SRV6_DB_TABLE_POLICY, sizeof(Srv6DbPolicyEntry), sizeof(Srv6DbPolicyRecord),
    3, 1, offsetof(Srv6DbPolicyEntry, smoothId), MakePolicy,
    SRV6DB_BENCH_LIBRARY(Policy, Srv6DbPolicyEntry, Srv6DbPolicyRecord),
    [](void *e) { return SRV6_DB_ReadPolicyByPriGroup(static_cast<Srv6DbPolicyEntry *>(e)); },
    SRV6DB_BENCH_ITERATORS(Policy, Srv6DbPolicyEntry),
    db_create_srv6te_policy_obj, db_release_srv6te_policy_object,
    db_set_srv6te_policy_all_fields, db_set_srv6te_policy_table_smooth_id};

const TableSpec kSidStackSpec = {
    "SidStack", SRV6_DB_TABLE_SIDSTACK, sizeof(Srv6DbSidStackEntry), sizeof(Srv6DbSidStackRecord),
    4, 0, offsetof(Srv6DbSidStackEntry, smoothId), MakeSidStack,
    SRV6DB_BENCH_LIBRARY(SidStack, Srv6DbSidStackEntry, Srv6DbSidStackRecord),
    nullptr,
    SRV6DB_BENCH_ITERATORS(SidStack, Srv6DbSidStackEntry),
    db_create_srv6te_sidstack_obj, db_release_srv6te_sidstack_object,
    db_set_srv6te_sidstack_all_fields, db_set_srv6te_sidstack_table_smooth_id};
// clang-format on

}  // namespace srv6db::bench
