// Port information table: its standard functions, generated from its description, its keys
// and a walk over one port group.
#include "schema/srv6/portinfo_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(PortInfo, srv6db::kPortInfo)

using srv6db::kPortInfo;
using namespace srv6db::portinfo;

extern "C" {

// clang-format off
// "Hashkey" with a lower-case k in the next three names, as callers link them.
void SRV6_DB_SetPortInfoPortGroupHashkey(const Srv6DbPortInfoEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kPortInfo, kByPortGroup>(e, w, k); }
void SRV6_DB_SetPortInfoNdRefreshHashkey(const Srv6DbPortInfoEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kPortInfo, kByNdRefresh>(e, w, k); }
void SRV6_DB_SetPortInfoL3ifHashkey(const Srv6DbPortInfoEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kPortInfo, kByL3if>(e, w, k); }
void SRV6_DB_SetPortInfoSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::SetKey<kPortInfo, kByVrf>(s, w, k); }
uint32_t SRV6_DB_CountPortInfoByNdRefreshHashKey(const Srv6DbPortInfoEntry *e, uint64_t *n) { return srv6db::Count<kPortInfo, kByNdRefresh>(e, n); }
// "Iteratory" in the next three names, as callers link them.
Srv6DbIter *SRV6_DB_CreatePortInfoIteratoryByPortGroup(const Srv6DbPortInfoEntry *e, uint32_t n) { return srv6db::CreateIterator<kPortInfo, kByPortGroup>(e, n); }
Srv6DbIter *SRV6_DB_CreatePortInfoIteratoryByL3if(const Srv6DbPortInfoEntry *e, uint32_t n) { return srv6db::CreateIterator<kPortInfo, kByL3if>(e, n); }
Srv6DbIter *SRV6_DB_CreatePortInfoIteratoryByNdRefreshHashKey(const Srv6DbPortInfoEntry *e, uint32_t n) { return srv6db::CreateIterator<kPortInfo, kByNdRefresh>(e, n); }
Srv6DbIter *SRV6_DB_CreatePortInfoIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator<kPortInfo, kByVrf>(s, n); }
uint32_t SRV6_DB_ReadPortInfoByPortGroupHashKey(const Srv6DbPortInfoEntry *e, Srv6DbPortInfoVisitor v, void *u) { return srv6db::VisitByKey<kPortInfo, kByPortGroup>(e, v, u); }
// clang-format on

}  // extern "C"
