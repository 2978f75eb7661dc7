// The generic iterator: a handle from the memory hook holding one engine object and its root
// iterator for as long as the caller walks.
#include "core/failure.h"
#include "core/key_check.h"
#include "engine/engine_api.h"
#include "srv6_db.h"

using srv6db::Msg;
using srv6db::Report;
using srv6db::Stat;

namespace {

constexpr int32_t kNoCount = -1;

// A failed creation after the handle exists: message first, then the object once the engine
// made it (whatever pointer it handed back), then the handle.
Srv6DbIter *Abandon(uint32_t tableId, Stat stat, Msg msg, Srv6DbIter *iter,
                    Srv6DbObjFunc release = nullptr, void *dbObj = nullptr) {
  Report(tableId, stat, msg);
  if (release != nullptr) release(dbObj);
  SRV6_DB_Free(iter);
  return nullptr;
}

}  // namespace

extern "C" {

Srv6DbIter *SRV6_DB_CreateIteratorByKey(uint32_t tableId, int32_t count, const Srv6DbKey *key) {
  if (tableId >= SRV6_DB_TABLE_NUM) return nullptr;
  if (srv6db::BadKey(key)) {
    Report(tableId, Stat::kParamInvalid, Msg::kNone);
    return nullptr;
  }
  const Srv6DbGlbCtl ctl = g_srv6DbGlbCtl[tableId];
  if (ctl.createDbObj == nullptr || ctl.releaseDbObj == nullptr) {
    Report(tableId, Stat::kGlbCtlInvalid, Msg::kIterGlbCtl);
    return nullptr;
  }
  auto *iter = static_cast<Srv6DbIter *>(SRV6_DB_Malloc(sizeof(Srv6DbIter)));
  if (iter == nullptr) {
    Report(tableId, Stat::kMemAllocFailed, Msg::kNone);
    return nullptr;
  }
  void *dbObj = nullptr;
  if (ctl.createDbObj(DB_OP_QUERY, 0, &dbObj) != DB_OK) {
    return Abandon(tableId, Stat::kQueryObjFailed, Msg::kIterObj, iter);
  }
  void *rootIter = nullptr;
  if (db_create_root_iter(dbObj, key->keyInfo, key->keyData, &rootIter) != DB_OK) {
    return Abandon(tableId, Stat::kCreateIterFailed, Msg::kIterRootIter, iter, ctl.releaseDbObj,
                   dbObj);
  }
  if (count != kNoCount &&
      db_set_root_iterator_property(rootIter, DB_ITER_PROP_COUNT, &count, sizeof(count)) != DB_OK) {
    return Abandon(tableId, Stat::kSetIterCntFailed, Msg::kIterProperty, iter, ctl.releaseDbObj,
                   dbObj);
  }
  iter->dbObj = dbObj;
  iter->rootIter = rootIter;
  return iter;
}

Srv6DbIter *SRV6_DB_CreateIterator(uint32_t tableId, uint32_t count) {
  const Srv6DbKey wholeTable = {nullptr, 0, nullptr, 0};
  return SRV6_DB_CreateIteratorByKey(tableId, static_cast<int32_t>(count), &wholeTable);
}

uint32_t SRV6_DB_GetNextEntry(uint32_t tableId, Srv6DbIter *iter, const Srv6DbBuf *buf) {
  if (tableId >= SRV6_DB_TABLE_NUM) return SRV6_DB_ERR;
  if (iter == nullptr || buf == nullptr) {
    Report(tableId, Stat::kParamInvalid, Msg::kNone);
    return SRV6_DB_ERR;
  }
  uint32_t rc = db_root_iterator_next(iter->rootIter);
  if (rc == DB_ERR_ITER_END) return SRV6_DB_NOT_FOUND;
  if (rc != DB_OK) {
    Report(tableId, Stat::kIterNextFailed, Msg::kNextIterNext);
    return SRV6_DB_ERR;
  }
  rc = db_read_obj_with_buf(iter->dbObj, nullptr, nullptr, buf->data, buf->len);
  if (rc == DB_OK) return SRV6_DB_OK;
  if (rc == DB_ERR_NO_RECORD) {
    Report(tableId, Stat::kQueryNoExist, Msg::kNone);
    return SRV6_DB_NOT_FOUND;
  }
  Report(tableId, Stat::kReadDbFailed, Msg::kNextReadBuf);
  return SRV6_DB_ERR;
}

void SRV6_DB_ReleaseIterator(uint32_t tableId, Srv6DbIter *iter) {
  if (tableId >= SRV6_DB_TABLE_NUM) return;
  if (iter == nullptr) {
    Report(tableId, Stat::kParamInvalid, Msg::kNone);
    return;
  }
  const Srv6DbObjFunc releaseDbObj = g_srv6DbGlbCtl[tableId].releaseDbObj;
  if (releaseDbObj != nullptr) releaseDbObj(iter->dbObj);  // frees the root iterator too
  SRV6_DB_Free(iter);
}

}  // extern "C"
