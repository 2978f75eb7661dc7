// SID function table: its standard functions, generated from its description, and its keys.
#include "schema/srv6/sid_funct_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(SidFunct, srv6db::kSidFunct)

using srv6db::kSidFunct;
using namespace srv6db::sid_funct;

extern "C" {

// clang-format off
void SRV6_DB_SetSidFunctSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::SetKey<kSidFunct, kByVrf>(s, w, k); }
void SRV6_DB_SetSidFunctPortGroupHashKeyField(const Srv6DbSidFunctEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kSidFunct, kByPortGroup>(e, w, k); }
Srv6DbIter *SRV6_DB_CreateSidFunctIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator<kSidFunct, kByVrf>(s, n); }
Srv6DbIter *SRV6_DB_CreateSidFunctIteratorByPortGroup(const Srv6DbSidFunctEntry *e, uint32_t n) { return srv6db::CreateIterator<kSidFunct, kByPortGroup>(e, n); }
// clang-format on

}  // extern "C"
