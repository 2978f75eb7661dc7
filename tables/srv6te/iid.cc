// IID table: its standard functions, generated from its description, and its keys.
#include "schema/srv6te/iid_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(Iid, srv6db::kIid)

using srv6db::kIid;
using namespace srv6db::iid;

extern "C" {

// clang-format off
void SRV6_DB_SetIidSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::SetKey<kIid, kByVrf>(s, w, k); }
void SRV6_DB_SetIidIidgIndexHashKey(const Srv6DbIidEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kIid, kByIidg>(e, w, k); }
// lower-case "key": callers link against both spellings
void SRV6_DB_SetIidIidgIndexHashkey(const Srv6DbIidEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kIid, kByIidg>(e, w, k); }
uint32_t SRV6_DB_CountIidByIidgIndexHashKey(const Srv6DbIidEntry *e, uint64_t *c) { return srv6db::Count<kIid, kByIidg>(e, c); }
Srv6DbIter *SRV6_DB_CreateIidIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator<kIid, kByVrf>(s, n); }
Srv6DbIter *SRV6_DB_CreateIidIteratorByIidg(const Srv6DbIidEntry *e, uint32_t n) { return srv6db::CreateIterator<kIid, kByIidg>(e, n); }
// clang-format on

}  // extern "C"
