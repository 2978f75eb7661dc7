// SR tunnel table: its standard functions, generated from its description, and its keys.
#include "schema/te/spr_tnl_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(SprTnl, srv6db::kSprTnl)

using srv6db::kSprTnl;
using namespace srv6db::spr_tnl;

extern "C" {

// clang-format off
void SRV6_DB_SetSprTnlIdTypeKey(const Srv6DbSprTnlEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kSprTnl, kByPolicy>(e, w, k); }
void SRV6_DB_SetSprTnlGrpIdHashKey(uint32_t v, uint32_t f, uint32_t g, uint32_t *w, void *k) { const NhpGrpInput in = {v, f, g}; srv6db::SetKey<kSprTnl, kByNhpGrp>(&in, w, k); }
void SRV6_DB_SetSprTnlSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::SetKey<kSprTnl, kByVrf>(s, w, k); }
Srv6DbIter *SRV6_DB_CreateSprTnlIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator<kSprTnl, kByVrf>(s, n); }
Srv6DbIter *SRV6_DB_CreateSprTnlIteratorByPolicy(const Srv6DbSprTnlEntry *e, uint32_t n) { return srv6db::CreateIterator<kSprTnl, kByPolicy>(e, n); }
Srv6DbIter *SRV6_DB_CreateSprTnlIteratorByGrpId(uint32_t v, uint32_t f, uint32_t g, uint32_t n) { const NhpGrpInput in = {v, f, g}; return srv6db::CreateIterator<kSprTnl, kByNhpGrp>(&in, n); }
uint32_t SRV6_DB_GetSprTnlCountByNhpGrpId(uint32_t v, uint32_t f, uint32_t g, uint64_t *c) { const NhpGrpInput in = {v, f, g}; return srv6db::Count<kSprTnl, kByNhpGrp>(&in, c); }
// clang-format on

}  // extern "C"
