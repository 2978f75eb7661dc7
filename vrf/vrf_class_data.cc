// The VRF class data walk: the engine's VRF class data records, read field by field through its
// getters. It stands beside the registry: no table id, no statistic, messages without a prefix.
#include "engine/engine_api.h"
#include "srv6_db.h"

namespace {

// A call of the error hook with the format at the call site, where the compiler checks it.
#define SRV6DB_LOG_ERROR(...)                                                    \
  do {                                                                           \
    if (Srv6DbLogFunc errLog = SRV6_DB_GetErrLogCallBack()) errLog(__VA_ARGS__); \
  } while (0)

// The messages print engine codes with %d.
int32_t AsLogged(uint32_t rc) { return static_cast<int32_t>(rc); }

// A failed creation after the handle exists and its message: the object once the engine made
// it (whatever pointer it handed back), then the handle.
Srv6DbIter *Abandon(Srv6DbIter *iter, bool objectMade, void *dbObj = nullptr) {
  if (objectMade) db_release_vrf_class_data_object(dbObj);
  SRV6_DB_Free(iter);
  return nullptr;
}

}  // namespace

extern "C" {

Srv6DbIter *SRV6_DB_CreateVrfClassDataIterator(uint32_t count) {
  auto *iter = static_cast<Srv6DbIter *>(SRV6_DB_Malloc(sizeof(Srv6DbIter)));
  if (iter == nullptr) {
    SRV6DB_LOG_ERROR("CreateVrfClassDataIterator malloc failed");
    return nullptr;
  }
  void *dbObj = nullptr;
  uint32_t rc = db_create_vrf_class_data_obj(DB_OP_QUERY, 0, &dbObj);
  if (rc != DB_OK) {
    SRV6DB_LOG_ERROR("CreateVrfClassDataIterator createObj failed, ret: %d", AsLogged(rc));
    return Abandon(iter, false);
  }
  void *rootIter = nullptr;
  rc = db_create_root_iter(dbObj, nullptr, nullptr, &rootIter);
  if (rc != DB_OK) {
    SRV6DB_LOG_ERROR("CreateVrfClassDataIterator createIter failed, ret: %d", AsLogged(rc));
    return Abandon(iter, true, dbObj);
  }
  if (count != SRV6_DB_ITER_NO_COUNT) {
    rc = db_set_root_iterator_property(rootIter, DB_ITER_PROP_COUNT, &count, sizeof(count));
    if (rc != DB_OK) {
      SRV6DB_LOG_ERROR("CreateVrfClassDataIterator setProperty failed, ret: %d", AsLogged(rc));
      return Abandon(iter, true, dbObj);
    }
  }
  iter->dbObj = dbObj;
  iter->rootIter = rootIter;
  return iter;
}

uint32_t SRV6_DB_GetNextVrfClassData(Srv6DbIter *iter, Srv6DbVrfClassData *data) {
  if (iter == nullptr || data == nullptr) {
    SRV6DB_LOG_ERROR("GetNextVrfClassData failed, para is NULL");
    return SRV6_DB_ERR;
  }
  const uint32_t rc = db_root_iterator_next(iter->rootIter);
  if (rc == DB_ERR_ITER_END) return SRV6_DB_NOT_FOUND;
  if (rc != DB_OK) {
    SRV6DB_LOG_ERROR("GetNextVrfClassData failed, ret: %d", AsLogged(rc));
    return SRV6_DB_ERR;
  }
  SRV6_DB_GetVrfClassDataItem(iter->dbObj, data);  // a failed getter does not fail the record
  return SRV6_DB_OK;
}

void SRV6_DB_ReleaseVrfClassDataIterator(Srv6DbIter *iter) {
  if (iter == nullptr) return;
  db_release_vrf_class_data_object(iter->dbObj);  // frees the root iterator with it
  SRV6_DB_Free(iter);
}

void SRV6_DB_GetVrfClassDataItem(void *dbObj, Srv6DbVrfClassData *data) {
  if (data == nullptr) return;
  // Every getter runs, in field order, whatever the earlier ones answered.
  uint32_t rc = db_get_vrf_class_data_table_id(dbObj, &data->tableId);
  rc |= db_get_vrf_class_data_producer_pid(dbObj, &data->producerPid);
  rc |= db_get_vrf_class_data_vr_id(dbObj, &data->vrId);
  rc |= db_get_vrf_class_data_vrf_index(dbObj, &data->vrfIndex);
  rc |= db_get_vrf_class_data_topology_id(dbObj, &data->topologyId);
  rc |= db_get_vrf_class_data_vrf_state(dbObj, &data->vrfState);
  rc |= db_get_vrf_class_data_vrf_data_machine(dbObj, &data->vrfDataMachine);
  rc |= db_get_vrf_class_data_vrf_state_version(dbObj, &data->vrfStateVersion);
  rc |= db_get_vrf_class_data_vrf_data_version(dbObj, &data->vrfDataVersion);
  rc |= db_get_vrf_class_data_smooth_flag(dbObj, &data->smoothFlag);
  rc |= db_get_vrf_class_data_time_stamp_verify_begin(dbObj, &data->timeStampVerifyBegin);
  rc |= db_get_vrf_class_data_time_stamp_verify_end(dbObj, &data->timeStampVerifyEnd);
  rc |= db_get_vrf_class_data_time_stamp_age_begin(dbObj, &data->timeStampAgeBegin);
  rc |= db_get_vrf_class_data_time_stamp_age_end(dbObj, &data->timeStampAgeEnd);
  if (rc != DB_OK) SRV6DB_LOG_ERROR("GetVrfClassDataItem getField failed, ret: %u.", rc);
}

}  // extern "C"
