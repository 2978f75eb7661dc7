/* Declarations of the storage engine's C functions; the engine library defines them. */
#ifndef SRV6DB_ENGINE_ENGINE_API_H
#define SRV6DB_ENGINE_ENGINE_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Engine codes that callers of the engine test for. */
#define DB_OK 0u
#define DB_ERR_PUSH_QUEUE_FULL 13044u /* the change was applied; the push queue dropped it */
#define DB_ERR_NO_RECORD 15005u
#define DB_ERR_ITER_END 110012u

/* Operation codes given to db_create_<t>_obj. */
#define DB_OP_WRITE 0u
#define DB_OP_UPDATE 1u
#define DB_OP_READ 3u
#define DB_OP_REMOVE 4u
#define DB_OP_QUERY 5u
#define DB_OP_COUNT 9u

/* Key words: index number in bits 31-24 (0 primary, 1..5 secondary), kind in 23-16, key
 * length in 15-0; the key bytes follow in the 16-byte key info area's caller. */
#define DB_KEY_KIND_PRIMARY 0x01u
#define DB_KEY_KIND_SECONDARY 0x09u
#define DB_MAX_KEY_LENGTH 64u     /* the longest key of any table is 58 bytes */
#define DB_MAX_RECORD_SIZE 308u   /* the largest record of any table */

/* Root iterator property 0: the iterator count, a 4-byte value. */
#define DB_ITER_PROP_COUNT 0u

/* X(registry id, engine table word) for the tables whose records carry a smooth id (all but
 * srv6te_trastat); the word names the engine's functions. */
#define SRV6DB_ENGINE_SMOOTH_TABLES(X) \
  X(0, srv6te_policy)                  \
  X(1, srv6te_candipath)               \
  X(2, srv6te_sidstack)                \
  X(3, srv6te_iid)                     \
  X(4, srv6_common)                    \
  X(5, srv6_xsid_prefix)               \
  X(6, srv6_local_sid)                 \
  X(7, srv6_sid_funct)                 \
  X(8, srv6_sid_nhp)                   \
  X(9, srv6_port_info)                 \
  X(10, te_flow_grp)                   \
  X(11, te_flow_grp_tnl)               \
  X(12, te_flow_grp_map)               \
  X(13, spr_tnl)                       \
  X(14, spr_tnl_grp)                   \
  X(15, srv6te_bsid)

/* X(registry id, engine table word) for every table, in registry order. */
#define SRV6DB_ENGINE_TABLES(X) SRV6DB_ENGINE_SMOOTH_TABLES(X) X(16, srv6te_trastat)

#define SRV6DB_DECLARE_TABLE_FUNCS(id, t)                                         \
  uint32_t db_create_##t##_obj(uint32_t opCode, uint32_t reserved, void **dbObj); \
  uint32_t db_release_##t##_object(void *dbObj);                                  \
  uint32_t db_reset_##t##_object(void *dbObj);                                    \
  uint32_t db_set_##t##_all_fields(void *dbObj, const void *record, uint32_t len);
#define SRV6DB_DECLARE_SMOOTH_FUNC(id, t) \
  uint32_t db_set_##t##_table_smooth_id(void *dbObj, uint32_t smoothId);

SRV6DB_ENGINE_TABLES(SRV6DB_DECLARE_TABLE_FUNCS)
SRV6DB_ENGINE_SMOOTH_TABLES(SRV6DB_DECLARE_SMOOTH_FUNC)

#undef SRV6DB_DECLARE_TABLE_FUNCS
#undef SRV6DB_DECLARE_SMOOTH_FUNC

uint32_t db_set_srv6_xsid_prefix_discriminator(void *dbObj, uint32_t discriminator);

/* Generic record operations. A null keyInfo/keyData pair selects no index: a read then
 * returns the record at the object's root iterator, a root iterator walks the whole table. */
uint32_t db_write_obj(void *dbObj);
uint32_t db_read_obj_with_buf(void *dbObj, const void *keyInfo, const void *keyData, void *buf,
                              uint32_t len);
uint32_t db_update_obj(void *dbObj, const void *keyInfo, const void *keyData);
uint32_t db_remove_obj(void *dbObj, const void *keyInfo, const void *keyData);
uint32_t db_get_table_record_count_by_key(void *dbObj, const void *keyInfo, const void *keyData,
                                          uint64_t *count);
uint32_t db_create_root_iter(void *dbObj, const void *keyInfo, const void *keyData,
                             void **rootIter);
uint32_t db_root_iterator_next(void *rootIter);
uint32_t db_set_root_iterator_property(void *rootIter, uint32_t property, const void *value,
                                       uint32_t len);

/* VRF class data records: read-only, walked through a root iterator on an object made with
 * operation code 5; each getter reads one field of the record the iterator stands on. */
uint32_t db_create_vrf_class_data_obj(uint32_t opCode, uint32_t reserved, void **dbObj);
uint32_t db_release_vrf_class_data_object(void *dbObj);

/* X(field, C type) in the order the walk reads them. */
#define SRV6DB_VRF_CLASS_DATA_FIELDS(X) \
  X(table_id, uint32_t)                 \
  X(producer_pid, uint32_t)             \
  X(vr_id, uint32_t)                    \
  X(vrf_index, uint32_t)                \
  X(topology_id, uint32_t)              \
  X(vrf_state, uint32_t)                \
  X(vrf_data_machine, uint32_t)         \
  X(vrf_state_version, uint32_t)        \
  X(vrf_data_version, uint32_t)         \
  X(smooth_flag, uint32_t)              \
  X(time_stamp_verify_begin, uint64_t)  \
  X(time_stamp_verify_end, uint64_t)    \
  X(time_stamp_age_begin, uint64_t)     \
  X(time_stamp_age_end, uint64_t)

#define SRV6DB_DECLARE_VRF_GETTER(field, type) \
  uint32_t db_get_vrf_class_data_##field(void *dbObj, type *value);
SRV6DB_VRF_CLASS_DATA_FIELDS(SRV6DB_DECLARE_VRF_GETTER)
#undef SRV6DB_DECLARE_VRF_GETTER

#ifdef __cplusplus
}
#endif

#endif /* SRV6DB_ENGINE_ENGINE_API_H */
