// Local SID table: its standard functions, generated from its description, and its keys.
#include "schema/srv6/local_sid_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(LocalSid, srv6db::kLocalSid)

using srv6db::kLocalSid;
using namespace srv6db::local_sid;

extern "C" {

// clang-format off
void SRV6_DB_SetLocalSidHashKeyField(const Srv6DbLocalSidEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kLocalSid, kByFunctId>(e, w, k); }
void SRV6_DB_SetLocalSidSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::SetKey<kLocalSid, kByVrf>(s, w, k); }
Srv6DbIter *SRV6_DB_CreateLocalSidIteratorByFunctId(const Srv6DbLocalSidEntry *e, uint32_t n) { return srv6db::CreateIterator<kLocalSid, kByFunctId>(e, n); }
Srv6DbIter *SRV6_DB_CreateLocalSidIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator<kLocalSid, kByVrf>(s, n); }
// clang-format on

}  // extern "C"
