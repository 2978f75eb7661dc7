// The table registry: one row per table binding the engine's per-table object functions to the
// table's name from its description.
#include "engine/engine_api.h"
#include "schema/tables.h"
#include "srv6_db.h"

extern "C" {

#define SRV6DB_REGISTRY_ROW(id, t) \
  {srv6db::kTables[id]->name,      \
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
