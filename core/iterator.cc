// The generic walk, and the registry tables' iterators built on it.
#include "core/key_check.h"
#include "core/walk.h"
#include "engine/engine_api.h"

namespace srv6db {
namespace {

void Fail(const Walk &walk, Step step, uint32_t rc) {
  const StepRule &rule = walk.rules[static_cast<size_t>(step)];
  if (rule.text == nullptr) {
    Report(walk.tableId, rule.stat, rule.msg);
  } else if (Srv6DbLogFunc errLog = SRV6_DB_GetErrLogCallBack()) {
    errLog(rule.text, static_cast<int32_t>(rc));
  }
}

// A failed creation after the handle exists: the report first, then the object once the
// engine made it (whatever pointer it handed back), then the handle.
Srv6DbIter *Abandon(const Walk &walk, Step step, uint32_t rc, Srv6DbIter *iter,
                    void *const *dbObj = nullptr) {
  Fail(walk, step, rc);
  if (dbObj != nullptr) walk.releaseObj(*dbObj);
  SRV6_DB_Free(iter);
  return nullptr;
}

// The registry tables count and log every failed step but a refused allocation, which they
// only count.
constexpr WalkRules kTableRules = {{
    {Stat::kMemAllocFailed, Msg::kNone},
    {Stat::kQueryObjFailed, Msg::kIterObj},
    {Stat::kCreateIterFailed, Msg::kIterRootIter},
    {Stat::kSetIterCntFailed, Msg::kIterProperty},
    {Stat::kIterNextFailed, Msg::kNextIterNext},
}};

}  // namespace

Srv6DbIter *OpenWalk(const Walk &walk, uint32_t count, const void *keyInfo, const void *keyData) {
  auto *iter = static_cast<Srv6DbIter *>(SRV6_DB_Malloc(sizeof(Srv6DbIter)));
  if (iter == nullptr) {
    Fail(walk, Step::kAlloc, DB_OK);
    return nullptr;
  }
  void *dbObj = nullptr;
  uint32_t rc = walk.createObj(DB_OP_QUERY, 0, &dbObj);
  if (rc != DB_OK) return Abandon(walk, Step::kObject, rc, iter);
  void *rootIter = nullptr;
  rc = db_create_root_iter(dbObj, keyInfo, keyData, &rootIter);
  if (rc != DB_OK) return Abandon(walk, Step::kRootIter, rc, iter, &dbObj);
  if (count != SRV6_DB_ITER_NO_COUNT) {
    rc = db_set_root_iterator_property(rootIter, DB_ITER_PROP_COUNT, &count, sizeof(count));
    if (rc != DB_OK) return Abandon(walk, Step::kProperty, rc, iter, &dbObj);
  }
  iter->dbObj = dbObj;
  iter->rootIter = rootIter;
  return iter;
}

uint32_t StepWalk(const Walk &walk, Srv6DbIter *iter) {
  const uint32_t rc = db_root_iterator_next(iter->rootIter);
  if (rc == DB_OK) return SRV6_DB_OK;
  if (rc == DB_ERR_ITER_END) return SRV6_DB_NOT_FOUND;
  Fail(walk, Step::kNext, rc);
  return SRV6_DB_ERR;
}

}  // namespace srv6db

using srv6db::Msg;
using srv6db::Report;
using srv6db::Stat;

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
  const srv6db::Walk walk = {tableId, ctl.createDbObj, ctl.releaseDbObj, srv6db::kTableRules};
  return OpenWalk(walk, static_cast<uint32_t>(count), key->keyInfo, key->keyData);
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
  const srv6db::Walk walk = {tableId, nullptr, nullptr, srv6db::kTableRules};
  const uint32_t step = StepWalk(walk, iter);
  if (step != SRV6_DB_OK) return step;
  const uint32_t rc = db_read_obj_with_buf(iter->dbObj, nullptr, nullptr, buf->data, buf->len);
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
