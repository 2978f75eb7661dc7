// Traffic statistics table: its standard functions, generated from its description, and its
// keys. Its records carry no smooth id, so it has no smooth id update.
#include "schema/srv6te/trastat_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS_NO_SMOOTH_ID(TraStat, srv6db::kTraStat)

using srv6db::kTraStat;
using namespace srv6db::trastat;

extern "C" {

// clang-format off
// lower-case "key": callers link against this spelling
void SRV6_DB_SetTraStatTnlIdHashkey(const uint32_t *t, uint32_t *w, void *k) { srv6db::SetKey<kTraStat, kByTunnelId>(t, w, k); }
void SRV6_DB_SetTraStatXcInfoKey(const Srv6DbTraStatEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kTraStat, kByXcInfo>(e, w, k); }
uint32_t SRV6_DB_ReadTraStatByXcInfo(Srv6DbTraStatEntry *e) { return srv6db::ReadUnique<kTraStat, kByXcInfo>(e); }
Srv6DbIter *SRV6_DB_CreateTraStatIteratorByTnlId(const uint32_t *t, uint32_t n) { return srv6db::CreateIterator<kTraStat, kByTunnelId>(t, n); }
// clang-format on

}  // extern "C"
