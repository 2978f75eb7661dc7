// Candidate path table: its standard functions, generated from its description, and its keys.
#include "schema/srv6te/candipath_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(CandiPath, srv6db::kCandiPath)

using srv6db::kCandiPath;
using namespace srv6db::candipath;

extern "C" {

// clang-format off
void SRV6_DB_SetCandiPathXcinfoKey(const Srv6DbCandiPathEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kCandiPath, kByXcInfo>(e, w, k); }
void SRV6_DB_SetCandiPathSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::SetKey<kCandiPath, kByVrf>(s, w, k); }
void SRV6_DB_SetCandiPathGroupInfoHashKey(const Srv6DbCandiPathGroupInfo *g, uint32_t *w, void *k) { srv6db::SetKey<kCandiPath, kByGroupInfo>(g, w, k); }
uint32_t SRV6_DB_ReadCandiPathByXcinfo(Srv6DbCandiPathEntry *e) { return srv6db::ReadUnique<kCandiPath, kByXcInfo>(e); }
Srv6DbIter *SRV6_DB_CreateCandiPathIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator<kCandiPath, kByVrf>(s, n); }
Srv6DbIter *SRV6_DB_CreateCandiPathIteratorByGroupInfo(const Srv6DbCandiPathGroupInfo *g, uint32_t n) { return srv6db::CreateIterator<kCandiPath, kByGroupInfo>(g, n); }
// clang-format on

}  // extern "C"
