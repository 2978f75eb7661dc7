// SID next-hop table: its standard functions, generated from its description, and its keys.
#include "schema/srv6/sidnhp_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(SidNhp, srv6db::kSidNhp)

using srv6db::kSidNhp;
using namespace srv6db::sidnhp;

extern "C" {

// clang-format off
void SRV6_DB_SetSidNhpSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::SetKey<kSidNhp, kByVrf>(s, w, k); }
Srv6DbIter *SRV6_DB_CreateSidNhpIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator<kSidNhp, kByVrf>(s, n); }
// clang-format on

}  // extern "C"
