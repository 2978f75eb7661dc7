// The table registry: one row per table binding the engine's per-table object functions.
#include "engine/engine_api.h"
#include "srv6_db.h"

namespace {

// Registry names; two differ from the engine words that name the functions.
constexpr const char *kTableNames[SRV6_DB_TABLE_NUM] = {
    "srv6te_policy",    "srv6te_candipath", "srv6te_sidstack", "srv6te_iid",  "srv6_common",
    "srv6_xsid_prefix", "srv6_local_sid",   "srv6_sid_funct",  "srv6_sidnhp", "srv6_portinfo",
    "te_flow_grp",      "te_flow_grp_tnl",  "te_flow_grp_map", "spr_tnl",     "spr_tnl_grp",
    "srv6te_bsid",      "srv6te_trastat",
};

}  // namespace

extern "C" {

#define SRV6DB_REGISTRY_ROW(id, t) \
  {kTableNames[id],                \
   &db_create_##t##_obj,           \
   &db_release_##t##_object,       \
   &db_reset_##t##_object,         \
   &db_set_##t##_all_fields,       \
   nullptr,                        \
   nullptr},

constinit Srv6DbGlbCtl g_srv6DbGlbCtl[SRV6_DB_TABLE_NUM] = {
    SRV6DB_ENGINE_TABLES(SRV6DB_REGISTRY_ROW)};

#undef SRV6DB_REGISTRY_ROW

Srv6DbGlbCtl *SRV6_DB_GetGlbCtl(uint32_t tableId) {
  return tableId < SRV6_DB_TABLE_NUM ? &g_srv6DbGlbCtl[tableId] : nullptr;
}

}  // extern "C"
