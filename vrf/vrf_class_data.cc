// The VRF class data walk: the engine's VRF class data records, read field by field through its
// getters. It stands beside the registry: no table id, no statistic, messages without a prefix.
#include "schema/vrf_class_data_desc.h"

#include "core/walk.h"
#include "engine/engine_api.h"

namespace {

// Every failed step is logged with the engine's code, nothing counted.
constexpr srv6db::WalkRules kVrfRules = {{
    {.text = "CreateVrfClassDataIterator malloc failed"},
    {.text = "CreateVrfClassDataIterator createObj failed, ret: %d"},
    {.text = "CreateVrfClassDataIterator createIter failed, ret: %d"},
    {.text = "CreateVrfClassDataIterator setProperty failed, ret: %d"},
    {.text = "GetNextVrfClassData failed, ret: %d"},
}};
const srv6db::Walk kVrfWalk = {srv6db::kVrfClassData.id, &db_create_vrf_class_data_obj,
                               &db_release_vrf_class_data_object, kVrfRules};

void LogError(const char *text, uint32_t rc) {
  if (Srv6DbLogFunc errLog = SRV6_DB_GetErrLogCallBack()) errLog(text, rc);
}

// The engine's getters in field order must be the description's fields, width for width.
#define SRV6DB_VRF_WIDTH(field, type) sizeof(type),
constexpr size_t kGetterWidths[] = {SRV6DB_VRF_CLASS_DATA_FIELDS(SRV6DB_VRF_WIDTH)};
#undef SRV6DB_VRF_WIDTH
constexpr bool GettersMatchFields() {
  const auto &fields = srv6db::kVrfClassData.fields;
  if (std::size(kGetterWidths) != fields.size()) return false;
  for (size_t i = 0; i < fields.size(); ++i)
    if (kGetterWidths[i] != fields[i].width) return false;
  return true;
}
static_assert(GettersMatchFields(), "one engine getter per VRF class data field, in order");

}  // namespace

extern "C" {

Srv6DbIter *SRV6_DB_CreateVrfClassDataIterator(uint32_t count) {
  return srv6db::OpenWalk(kVrfWalk, count, nullptr, nullptr);
}

uint32_t SRV6_DB_GetNextVrfClassData(Srv6DbIter *iter, Srv6DbVrfClassData *data) {
  if (iter == nullptr || data == nullptr) {
    LogError("GetNextVrfClassData failed, para is NULL", 0);
    return SRV6_DB_ERR;
  }
  const uint32_t rc = srv6db::StepWalk(kVrfWalk, iter);
  if (rc == SRV6_DB_OK) SRV6_DB_GetVrfClassDataItem(iter->dbObj, data);  // getters never fail it
  return rc;
}

void SRV6_DB_ReleaseVrfClassDataIterator(Srv6DbIter *iter) {
  if (iter == nullptr) return;
  kVrfWalk.releaseObj(iter->dbObj);  // frees the root iterator with it
  SRV6_DB_Free(iter);
}

void SRV6_DB_GetVrfClassDataItem(void *dbObj, Srv6DbVrfClassData *data) {
  if (data == nullptr) return;
  // Every getter runs, in field order, whatever the earlier ones answered; each writes the
  // entry field the description places at its position.
  auto *out = reinterpret_cast<uint8_t *>(data);
  size_t i = 0;
  uint32_t rc = DB_OK;
#define SRV6DB_VRF_GET(field, type)    \
  rc |= db_get_vrf_class_data_##field( \
      dbObj, reinterpret_cast<type *>(out + srv6db::kVrfClassData.fields[i++].entryOffset));
  SRV6DB_VRF_CLASS_DATA_FIELDS(SRV6DB_VRF_GET)
#undef SRV6DB_VRF_GET
  if (rc != DB_OK) LogError("GetVrfClassDataItem getField failed, ret: %u.", rc);
}

}  // extern "C"
