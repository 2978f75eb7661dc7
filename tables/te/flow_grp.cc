// Flow group table: its standard functions, generated from its description, and its keys.
#include "schema/te/flow_grp_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(FlowGrp, srv6db::kFlowGrp)

using srv6db::kFlowGrp;
using namespace srv6db::flow_grp;

extern "C" {

// clang-format off
void SRV6_DB_SetFlowGrpSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::SetKey<kFlowGrp, kByVrf>(s, w, k); }
Srv6DbIter *SRV6_DB_CreateFlowGrpIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator<kFlowGrp, kByVrf>(s, n); }
// clang-format on

}  // extern "C"
