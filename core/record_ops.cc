// The six generic record operations: one engine object each, every failure counted and logged.
#include <utility>

#include "core/failure.h"
#include "core/key_check.h"
#include "engine/engine_api.h"
#include "srv6_db.h"

namespace srv6db {
namespace {

struct OpSpec {
  uint32_t opCode;
  Stat objStat;   // counted when the engine object cannot be made
  Msg glbCtlMsg;  // logged for an invalid registry row
  Msg objMsg;     // logged when the engine object cannot be made
  bool needsSetAllFields;
};

constexpr OpSpec kCreateOp = {DB_OP_WRITE, Stat::kWriteObjFailed, Msg::kCreateGlbCtl,
                              Msg::kCreateObj, true};
constexpr OpSpec kReadOp = {DB_OP_READ, Stat::kReadObjFailed, Msg::kReadGlbCtl, Msg::kReadObj,
                            false};
constexpr OpSpec kUpdateOp = {DB_OP_UPDATE, Stat::kUpdateObjFailed, Msg::kUpdateGlbCtl,
                              Msg::kUpdateObj, false};
constexpr OpSpec kDeleteOp = {DB_OP_REMOVE, Stat::kRemoveFailed, Msg::kDeleteGlbCtl,
                              Msg::kDeleteObj, false};
constexpr OpSpec kCountOp = {DB_OP_COUNT, Stat::kStatisObjFailed, Msg::kCountGlbCtl, Msg::kCountObj,
                             false};
constexpr OpSpec kUniqueOp = {DB_OP_QUERY, Stat::kQueryObjFailed, Msg::kNone, Msg::kUniqueObj,
                              false};

// The shared frame once arguments are checked: validate the row, make the object, run the
// operation's engine calls, release the object on every path, then count and log.
template <typename Body>
uint32_t OnEngineObject(uint32_t tableId, const OpSpec &op, Body &&body) noexcept {
  const Srv6DbGlbCtl ctl = g_srv6DbGlbCtl[tableId];
  if (ctl.createDbObj == nullptr || ctl.releaseDbObj == nullptr ||
      (op.needsSetAllFields && ctl.setDbAllFields == nullptr)) {
    Report(tableId, Stat::kGlbCtlInvalid, op.glbCtlMsg);
    return SRV6_DB_ERR;
  }
  void *dbObj = nullptr;
  if (ctl.createDbObj(op.opCode, 0, &dbObj) != DB_OK) {
    Report(tableId, op.objStat, op.objMsg);
    return SRV6_DB_ERR;
  }
  const Outcome outcome = std::forward<Body>(body)(ctl, dbObj);
  ctl.releaseDbObj(dbObj);
  Report(tableId, outcome.stat, outcome.msg);
  return outcome.result;
}

bool BadTable(uint32_t tableId) { return tableId >= SRV6_DB_TABLE_NUM; }

uint32_t ParamInvalid(uint32_t tableId) {
  Report(tableId, Stat::kParamInvalid, Msg::kNone);
  return SRV6_DB_ERR;
}

}  // namespace
}  // namespace srv6db

using srv6db::Msg;
using srv6db::Outcome;
using srv6db::Stat;

extern "C" {

uint32_t SRV6_DB_Create(uint32_t tableId, const Srv6DbBuf *buf) {
  if (srv6db::BadTable(tableId)) return SRV6_DB_ERR;
  if (buf == nullptr) return srv6db::ParamInvalid(tableId);
  return srv6db::OnEngineObject(
      tableId, srv6db::kCreateOp, [buf](const Srv6DbGlbCtl &ctl, void *dbObj) -> Outcome {
        if (ctl.setDbAllFields(dbObj, buf->data, buf->len) != DB_OK) {
          return {SRV6_DB_ERR, Stat::kSetFieldFailed, Msg::kCreateSetFields};
        }
        const uint32_t rc = db_write_obj(dbObj);
        if (rc == DB_OK) return {SRV6_DB_OK};
        if (rc == DB_ERR_PUSH_QUEUE_FULL) {
          return {SRV6_DB_OK, Stat::kSubPushFailed, Msg::kCreatePushFull};
        }
        return {SRV6_DB_ERR, Stat::kCreateDbFailed, Msg::kCreateWrite};
      });
}

uint32_t SRV6_DB_Read(uint32_t tableId, const Srv6DbKey *key, const Srv6DbBuf *buf) {
  if (srv6db::BadTable(tableId)) return SRV6_DB_ERR;
  if (srv6db::BadKey(key) || buf == nullptr) return srv6db::ParamInvalid(tableId);
  return srv6db::OnEngineObject(
      tableId, srv6db::kReadOp, [key, buf](const Srv6DbGlbCtl &, void *dbObj) -> Outcome {
        const uint32_t rc =
            db_read_obj_with_buf(dbObj, key->keyInfo, key->keyData, buf->data, buf->len);
        if (rc == DB_OK) return {SRV6_DB_OK};
        if (rc == DB_ERR_NO_RECORD) return {SRV6_DB_NOT_FOUND};
        return {SRV6_DB_ERR, Stat::kReadDbFailed, Msg::kReadBuf};
      });
}

uint32_t SRV6_DB_Update(uint32_t tableId, const Srv6DbKey *key, Srv6DbUpdateCtx *ctx,
                        Srv6DbSetUpdateFieldsFunc setUpdateFields) {
  if (srv6db::BadTable(tableId)) return SRV6_DB_ERR;
  if (srv6db::BadKey(key) || ctx == nullptr || setUpdateFields == nullptr) {
    return srv6db::ParamInvalid(tableId);
  }
  return srv6db::OnEngineObject(
      tableId, srv6db::kUpdateOp,
      [key, ctx, setUpdateFields](const Srv6DbGlbCtl &, void *dbObj) -> Outcome {
        const uint32_t staged = setUpdateFields(ctx, dbObj);
        if (staged != 0) return {staged, Stat::kSetFieldFailed, Msg::kUpdateSetFields};
        const uint32_t rc = db_update_obj(dbObj, key->keyInfo, key->keyData);
        if (rc == DB_OK) return {SRV6_DB_OK};
        if (rc == DB_ERR_NO_RECORD) return {SRV6_DB_ERR, Stat::kUpdateNoExist};
        if (rc == DB_ERR_PUSH_QUEUE_FULL) {
          return {SRV6_DB_OK, Stat::kSubPushFailed, Msg::kUpdatePushFull};
        }
        return {SRV6_DB_ERR, Stat::kUpdateDbFailed, Msg::kUpdateDb};
      });
}

uint32_t SRV6_DB_Delete(uint32_t tableId, const Srv6DbKey *key) {
  if (srv6db::BadTable(tableId)) return SRV6_DB_ERR;
  if (srv6db::BadKey(key)) return srv6db::ParamInvalid(tableId);
  return srv6db::OnEngineObject(
      tableId, srv6db::kDeleteOp, [key](const Srv6DbGlbCtl &, void *dbObj) -> Outcome {
        const uint32_t rc = db_remove_obj(dbObj, key->keyInfo, key->keyData);
        if (rc == DB_OK) return {SRV6_DB_OK};
        if (rc == DB_ERR_PUSH_QUEUE_FULL) {
          return {SRV6_DB_OK, Stat::kSubPushFailed, Msg::kDeletePushFull};
        }
        return {SRV6_DB_ERR, Stat::kDeleteDbFailed, Msg::kDeleteRemove};
      });
}

uint32_t SRV6_DB_CountByKey(uint32_t tableId, const Srv6DbKey *key, uint64_t *count) {
  if (srv6db::BadTable(tableId)) return SRV6_DB_ERR;
  if (srv6db::BadKey(key) || count == nullptr) return srv6db::ParamInvalid(tableId);
  return srv6db::OnEngineObject(
      tableId, srv6db::kCountOp, [key, count](const Srv6DbGlbCtl &, void *dbObj) -> Outcome {
        uint64_t found = 0;
        const uint32_t rc =
            db_get_table_record_count_by_key(dbObj, key->keyInfo, key->keyData, &found);
        if (rc != DB_OK) return {rc, Stat::kCountDbFailed, Msg::kCountDb};
        *count = found;
        return {SRV6_DB_OK};
      });
}

uint32_t SRV6_DB_ReadUniqueHash(uint32_t tableId, const Srv6DbKey *key, const Srv6DbBuf *buf) {
  if (srv6db::BadTable(tableId)) return SRV6_DB_ERR;
  if (srv6db::BadKey(key) || buf == nullptr) return srv6db::ParamInvalid(tableId);
  return srv6db::OnEngineObject(
      tableId, srv6db::kUniqueOp, [key, buf](const Srv6DbGlbCtl &, void *dbObj) -> Outcome {
        // The root iterator is freed with the object; only its first record is looked at.
        void *rootIter = nullptr;
        if (db_create_root_iter(dbObj, key->keyInfo, key->keyData, &rootIter) != DB_OK) {
          return {SRV6_DB_ERR, Stat::kCreateIterFailed, Msg::kUniqueIter};
        }
        uint32_t rc = db_root_iterator_next(rootIter);
        if (rc == DB_ERR_ITER_END) return {SRV6_DB_ERR};
        if (rc != DB_OK) return {SRV6_DB_ERR, Stat::kIterNextFailed, Msg::kUniqueNext};
        rc = db_read_obj_with_buf(dbObj, nullptr, nullptr, buf->data, buf->len);
        if (rc == DB_OK) return {SRV6_DB_OK};
        if (rc == DB_ERR_NO_RECORD) return {SRV6_DB_NOT_FOUND, Stat::kQueryNoExist};
        return {SRV6_DB_ERR, Stat::kReadDbFailed, Msg::kUniqueReadBuf};
      });
}

}  // extern "C"
