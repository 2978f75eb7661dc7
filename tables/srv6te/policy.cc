// Policy table: its standard functions, generated from its description, and its keys.
#include "schema/srv6te/policy_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(Policy, srv6db::kPolicy)

using srv6db::kPolicy;
using namespace srv6db::policy;

extern "C" {

// clang-format off
void SRV6_DB_SetPolicyPriGroupKey(const Srv6DbPolicyEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kPolicy, kByPriGroup>(e, w, k); }
void SRV6_DB_SetPolicyBackupGroupKey(const Srv6DbPolicyEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kPolicy, kByBackupGroup>(e, w, k); }
void SRV6_DB_SetPolicySmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::SetKey<kPolicy, kByVrf>(s, w, k); }
void SRV6_DB_SetPolicyTunnelIdHashKey(const Srv6DbPolicyEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kPolicy, kByTunnelId>(e, w, k); }
uint32_t SRV6_DB_ReadPolicyByPriGroup(Srv6DbPolicyEntry *e) { return srv6db::ReadUnique<kPolicy, kByPriGroup>(e); }
uint32_t SRV6_DB_ReadPolicyByBackupGroup(Srv6DbPolicyEntry *e) { return srv6db::ReadUnique<kPolicy, kByBackupGroup>(e); }
uint32_t SRV6_DB_ReadPolicyByTunnelId(Srv6DbPolicyEntry *e) { return srv6db::ReadUnique<kPolicy, kByTunnelId>(e); }
Srv6DbIter *SRV6_DB_CreatePolicyIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator<kPolicy, kByVrf>(s, n); }
// clang-format on

}  // extern "C"
