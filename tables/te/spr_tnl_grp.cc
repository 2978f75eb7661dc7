// SR tunnel group table: its standard functions, generated from its description, and its keys.
#include "schema/te/spr_tnl_grp_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(SprTnlGrp, srv6db::kSprTnlGrp)

using srv6db::kSprTnlGrp;
using namespace srv6db::spr_tnl_grp;

extern "C" {

// clang-format off
void SRV6_DB_SetSprTnlGrpSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::SetKey<kSprTnlGrp, kByVrf>(s, w, k); }
Srv6DbIter *SRV6_DB_CreateSprTnlGrpIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator<kSprTnlGrp, kByVrf>(s, n); }
// clang-format on

}  // extern "C"
