// XSID prefix table: its standard functions, generated from its description, its keys, the
// discriminator update and a bounded read by local key.
#include "schema/srv6/xsid_prefix_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(Xsid, srv6db::kXsid)

namespace srv6db::xsid_prefix {
inline constexpr char kDiscriminator[] = "discriminator";
}  // namespace srv6db::xsid_prefix

using srv6db::kXsid;
using namespace srv6db::xsid_prefix;

extern "C" {

// clang-format off
void SRV6_DB_SetXsidIidgHashKey(const Srv6DbXsidEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kXsid, kByIidg>(e, w, k); }
// Lower-case "local", as callers link it.
void SRV6_DB_SetXsidlocalHashKey(const Srv6DbXsidEntry *e, uint32_t *w, void *k) { srv6db::SetKey<kXsid, kByLocal>(e, w, k); }
// Answers a code (always 0), as callers link it.
uint32_t SRV6_DB_SetXsidSvcKeyField(const Srv6DbXsidEntry *e, uint32_t *w, void *k) { return srv6db::SetKey<kXsid, kBySvcCtx, uint32_t>(e, w, k); }
void SRV6_DB_SetXsidSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::SetKey<kXsid, kByVrf>(s, w, k); }
uint32_t SRV6_DB_UpdateXsidDiscriminator(const Srv6DbXsidEntry *e) { return srv6db::Update<kXsid>(e, SRV6_DB_SetXsidStdDiscriminator); }
uint32_t SRV6_DB_SetXsidStdDiscriminator(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageNamed<kXsid, kDiscriminator, &db_set_srv6_xsid_prefix_discriminator>(c, o); }
Srv6DbIter *SRV6_DB_CreateXsidIteratorByLocalHash(const Srv6DbXsidEntry *e, uint32_t n) { return srv6db::CreateIterator<kXsid, kByLocal>(e, n); }
Srv6DbIter *SRV6_DB_CreateXsidIteratorByIidg(const Srv6DbXsidEntry *e, uint32_t n) { return srv6db::CreateIterator<kXsid, kByIidg>(e, n); }
Srv6DbIter *SRV6_DB_CreateXsidIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator<kXsid, kByVrf>(s, n); }
uint32_t SRV6_DB_ReadXsidByLocalHash(const Srv6DbXsidEntry *e, uint32_t len, Srv6DbXsidEntry *out) { return srv6db::ReadIntoArray<kXsid, kByLocal>(e, len, out); }
// Lower-case "hash", as callers link it; a null count is answered here, without a statistic.
uint32_t SRV6_DB_GetXsidCountByLocalhash(const Srv6DbXsidEntry *e, uint64_t *n) { return srv6db::Count<kXsid, kByLocal>(e, n); }
// A null count goes on to the core count, which counts ParamInvalid.
uint32_t SRV6_DB_CountXsidByIidgIndexHashKey(const Srv6DbXsidEntry *e, uint64_t *n) { return srv6db::Count<kXsid, kByIidg>(e, n); }
uint32_t SRV6_DB_ReadXsidBySvcCtxKey(Srv6DbXsidEntry *e) { return srv6db::ReadUnique<kXsid, kBySvcCtx>(e); }
// clang-format on

}  // extern "C"
