// Flow group tunnel table: its standard functions, generated from its description, and its keys.
#include "schema/te/flow_grp_tnl_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(FlowGrpTnl, srv6db::kFlowGrpTnl)

using srv6db::kFlowGrpTnl;
using namespace srv6db::flow_grp_tnl;

extern "C" {

// clang-format off
void SRV6_DB_SetFlowGrpTnlSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::SetKey<kFlowGrpTnl, kByVrf>(s, w, k); }
void SRV6_DB_SetFlowGrpTnlCombineHashKey(const Srv6DbFlowGrpTnlEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kFlowGrpTnl, kByCombine>(e, w, k); }
void SRV6_DB_SetFlowGrpTnlKey2HashKey(const Srv6DbFlowGrpTnlEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kFlowGrpTnl, kByGroup>(e, w, k); }
void SRV6_DB_SetFlowGrpTnlKey1Key2HashKey(const Srv6DbFlowGrpTnlEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kFlowGrpTnl, kByTnlType>(e, w, k); }
void SRV6_DB_SetFlowGrpTnlKey3HashKey(const Srv6DbFlowGrpTnlEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kFlowGrpTnl, kByIidGroup>(e, w, k); }
Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator<kFlowGrpTnl, kByVrf>(s, n); }
Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIteratorByTnlTypeId(const Srv6DbFlowGrpTnlEntry *e, uint32_t n) { return srv6db::CreateIterator<kFlowGrpTnl, kByTnlType>(e, n); }
Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIteratorByIidGroupId(const Srv6DbFlowGrpTnlEntry *e, uint32_t n) { return srv6db::CreateIterator<kFlowGrpTnl, kByIidGroup>(e, n); }
Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIteratorByGrpId(const Srv6DbFlowGrpTnlEntry *e, uint32_t n) { return srv6db::CreateIterator<kFlowGrpTnl, kByGroup>(e, n); }
Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIteratorByCombineIndex(const Srv6DbFlowGrpTnlEntry *e, uint32_t n) { return srv6db::CreateIterator<kFlowGrpTnl, kByCombine>(e, n); }
// A null count goes on to the core count, which counts ParamInvalid.
uint32_t SRV6_DB_CountFlowGrpTnlByIidGroupId(const Srv6DbFlowGrpTnlEntry *e, uint64_t *c) { return srv6db::Count<kFlowGrpTnl, kByIidGroup>(e, c); }
// clang-format on

}  // extern "C"
