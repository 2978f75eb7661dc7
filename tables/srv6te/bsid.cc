// Binding SID table: its standard functions, generated from its description, and its keys.
#include "schema/srv6te/bsid_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(Bsid, srv6db::kBsid)

using srv6db::kBsid;
using namespace srv6db::bsid;

extern "C" {

// clang-format off
void SRV6_DB_SetBsidPolicyHashKey(const Srv6DbBsidEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kBsid, kByPolicyInfo>(e, w, k); }
void SRV6_DB_SetBsidListHashKey(const Srv6DbBsidEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kBsid, kByListInfo>(e, w, k); }
void SRV6_DB_SetBsidSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::SetKey<kBsid, kByVrf>(s, w, k); }
uint32_t SRV6_DB_ReadBsidByPolicyInfo(Srv6DbBsidEntry *e) { return srv6db::ReadUnique<kBsid, kByPolicyInfo>(e); }
uint32_t SRV6_DB_ReadBsidByListInfo(Srv6DbBsidEntry *e) { return srv6db::ReadUnique<kBsid, kByListInfo>(e); }
// "Iteratory": callers link against this spelling
Srv6DbIter *SRV6_DB_CreateBsidIteratoryByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator<kBsid, kByVrf>(s, n); }
// clang-format on

}  // extern "C"
