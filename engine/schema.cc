// Schemas of the seventeen tables and the VRF class data records.
#include "engine/schema.h"

#include "engine/engine_api.h"

namespace srv6db::engine {
namespace {

#define SRV6DB_TABLE_NAME(id, t) #t,
constexpr const char *kNames[] = {SRV6DB_ENGINE_TABLES(SRV6DB_TABLE_NAME)};
#undef SRV6DB_TABLE_NAME
#define SRV6DB_TABLE_ID(id, t) id,
constexpr uint32_t kIds[] = {SRV6DB_ENGINE_TABLES(SRV6DB_TABLE_ID)};
#undef SRV6DB_TABLE_ID

constexpr bool IdsAreRegistryOrder() {
  for (uint32_t i = 0; i < kTableCount; ++i)
    if (kIds[i] != i) return false;
  return sizeof(kIds) / sizeof(kIds[0]) == kTableCount;
}
static_assert(IdsAreRegistryOrder(), "the table list must run 0..16 in order");

constexpr Schema Table(const char *name, uint32_t recordSize, uint32_t smoothIdOffset,
                       uint32_t discriminatorOffset, std::initializer_list<IndexDef> keys) {
  Schema s{name, recordSize, smoothIdOffset, discriminatorOffset, 0, {}};
  for (const IndexDef &k : keys) s.indexes[s.indexCount++] = k;
  return s;
}

// Tables in registry order: name, record size, smooth id offset, discriminator offset, keys.
// Smooth keys of the SRv6 tables put the smooth id first; the other tables follow vrId,
// vrfIndex. Two key fields have no record field of their own and take attr1: the traffic
// statistics tunnel id (bytes 36..40) and the SR tunnel next-hop group id (bytes 20..24).
// clang-format off
constexpr Schema kSchemas[kStoreCount] = {
    Table(kNames[0], 136, 112, kNoOffset, {
        Key(0x0001000D, {{0, 13}}),
        Key(0x01090010, {{0, 12}, {16, 4}}),     // primary group: tunnelId, priGroupId
        Key(0x02090010, {{0, 12}, {20, 4}}),     // backup group
        Key(0x0309000C, {{0, 8}, {112, 4}}),     // smooth
        Key(0x0409000C, {{0, 12}})}),            // tunnel id
    Table(kNames[1], 92, 72, kNoOffset, {
        Key(0x00010015, {{0, 21}}),
        Key(0x01090010, {{0, 16}}),              // group info: vrId, vrfIndex, tunnelId, groupId
        Key(0x0209000D, {{0, 8}, {16, 5}}),      // XC info: xcId, xcType
        Key(0x0309000C, {{0, 8}, {72, 4}})}),    // smooth
    Table(kNames[2], 308, 288, kNoOffset, {
        Key(0x0001000D, {{0, 13}}),
        Key(0x01090019, {{0, 8}, {180, 17}}),    // IID address and prefix length
        Key(0x02090018, {{0, 8}, {20, 16}}),     // local SID
        Key(0x03090004, {{0, 4}}),               // vrId
        Key(0x0409000C, {{0, 8}, {288, 4}})}),   // smooth
    Table(kNames[3], 140, 116, kNoOffset, {
        Key(0x00010019, {{0, 25}}),
        Key(0x01090008, {{0, 4}, {32, 4}}),      // IIDG: vrId, iidgIndex
        Key(0x0209000C, {{0, 8}, {116, 4}})}),   // smooth
    Table(kNames[4], 112, 92, kNoOffset, {
        Key(0x00010004, {{0, 4}})}),
    Table(kNames[5], 180, 160, 68, {
        Key(0x0001003A, {{0, 58}}),
        Key(0x01090008, {{0, 4}, {72, 4}}),      // IIDG: vrId, iidgIndex
        Key(0x02090018, {{0, 24}}),              // local: vrId, vrfIndex, prefix
        Key(0x0309001A, {{0, 8}, {40, 18}}),     // service context: svcAddr, svcCtx1, svcCtx2
        Key(0x0409000C, {{160, 4}, {0, 8}})}),   // smooth
    Table(kNames[6], 68, 40, kNoOffset, {
        Key(0x00010019, {{0, 25}}),
        Key(0x0109000C, {{0, 8}, {28, 4}}),      // function id
        Key(0x0209000C, {{40, 4}, {0, 8}})}),    // smooth
    Table(kNames[7], 68, 40, kNoOffset, {
        Key(0x0001000C, {{0, 12}}),
        Key(0x0109000C, {{40, 4}, {0, 8}}),      // smooth
        Key(0x0209000C, {{0, 8}, {24, 4}})}),    // port group
    Table(kNames[8], 84, 60, kNoOffset, {
        Key(0x0001000C, {{0, 12}}),
        Key(0x0109000C, {{60, 4}, {0, 8}})}),    // smooth
    Table(kNames[9], 104, 84, kNoOffset, {
        Key(0x00010020, {{0, 32}}),
        Key(0x0109000C, {{0, 12}}),              // port group
        Key(0x02090014, {{12, 20}}),             // ND refresh: ndAddr, l3IfIndex
        Key(0x03090004, {{28, 4}}),              // L3 interface
        Key(0x0409000C, {{84, 4}, {0, 8}})}),    // smooth
    Table(kNames[10], 64, 44, kNoOffset, {
        Key(0x0001000D, {{0, 13}}),
        Key(0x0109000C, {{0, 8}, {44, 4}})}),    // smooth
    Table(kNames[11], 108, 84, kNoOffset, {
        Key(0x00010019, {{0, 25}}),
        Key(0x0109000E, {{0, 8}, {25, 1}, {26, 1}, {28, 4}}),  // grpType, tnlType, grpId
        Key(0x02090009, {{0, 4}, {25, 1}, {32, 4}}),           // grpType, iidGroupId
        Key(0x0309000D, {{0, 8}, {25, 1}, {28, 4}}),           // grpType, grpId
        Key(0x04090014, {{0, 8}, {12, 12}}),                   // combine index
        Key(0x0509000C, {{0, 8}, {84, 4}})}),                  // smooth
    Table(kNames[12], 64, 44, kNoOffset, {
        Key(0x00010014, {{0, 20}})}),
    Table(kNames[13], 124, 104, kNoOffset, {
        Key(0x00010011, {{0, 17}}),
        Key(0x0109000D, {{0, 8}, {12, 5}}),      // policy: tunnelId, tunnelType
        Key(0x0209000C, {{0, 8}, {20, 4}}),      // next-hop group id, held in attr1
        Key(0x0309000C, {{0, 8}, {104, 4}})}),   // smooth
    Table(kNames[14], 84, 64, kNoOffset, {
        Key(0x0001000C, {{0, 12}}),
        Key(0x0109000C, {{0, 8}, {64, 4}})}),    // smooth
    Table(kNames[15], 104, 80, kNoOffset, {
        Key(0x0001000C, {{0, 12}}),
        Key(0x0109000D, {{0, 8}, {12, 4}, {28, 1}}),  // policy info: tunnelId, tunnelType
        Key(0x0209000D, {{0, 8}, {20, 4}, {29, 1}}),  // list info: listId, listType
        Key(0x0309000C, {{0, 8}, {80, 4}})}),         // smooth
    Table(kNames[16], 136, kNoOffset, kNoOffset, {
        Key(0x00010011, {{0, 17}}),
        Key(0x01090004, {{36, 4}}),              // tunnel id, held in attr1
        Key(0x02090005, {{12, 5}})}),            // XC info: xcId, xcType
    Table("vrf_class_data", 72, kNoOffset, kNoOffset, {
        Key(0x0001000C, {{0, 4}, {8, 8}})}),     // tableId, vrId, vrfIndex
};
// clang-format on

constexpr bool AllWellFormed() {
  for (const Schema &s : kSchemas)
    if (!IsWellFormed(s)) return false;
  return true;
}
static_assert(AllWellFormed(), "a key word, segment or offset does not fit its table");

}  // namespace

const Schema &SchemaOf(uint32_t store) { return kSchemas[store]; }

}  // namespace srv6db::engine
