// SID stack table: its standard functions, generated from its description, and its keys.
#include "schema/srv6te/sidstack_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(SidStack, srv6db::kSidStack)

using srv6db::kSidStack;
using namespace srv6db::sidstack;

extern "C" {

// clang-format off
void SRV6_DB_SetSidStackSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::SetKey<kSidStack, kByVrf>(s, w, k); }
void SRV6_DB_SetSidStackIidHashKey(const Srv6DbSidStackEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kSidStack, kByIid>(e, w, k); }
void SRV6_DB_SetSidStackLocalSidHashKey(const Srv6DbSidStackEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kSidStack, kByLocalSid>(e, w, k); }
void SRV6_DB_SetSidStackVridHashKey(const uint32_t *v, uint32_t *w, void *k) { srv6db::SetKey<kSidStack, kByVrId>(v, w, k); }
Srv6DbIter *SRV6_DB_CreateSidStackIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator<kSidStack, kByVrf>(s, n); }
Srv6DbIter *SRV6_DB_CreateSidStackIteratorByIid(const Srv6DbSidStackEntry *e, uint32_t n) { return srv6db::CreateIterator<kSidStack, kByIid>(e, n); }
Srv6DbIter *SRV6_DB_CreateSidStackIteratorByLocalSid(const Srv6DbSidStackEntry *e, uint32_t n) { return srv6db::CreateIterator<kSidStack, kByLocalSid>(e, n); }
Srv6DbIter *SRV6_DB_CreateSidStackIteratorByVrid(const uint32_t *v, uint32_t n) { return srv6db::CreateIterator<kSidStack, kByVrId>(v, n); }
// clang-format on

}  // extern "C"
