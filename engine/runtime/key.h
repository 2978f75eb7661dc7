// Key bytes of an index, built from a record through the table's schema.
#ifndef SRV6DB_ENGINE_RUNTIME_KEY_H
#define SRV6DB_ENGINE_RUNTIME_KEY_H

#include <cstdint>
#include <cstring>

#include "engine/schema.h"

namespace srv6db::engine {

struct KeyBytes {
  uint32_t length = 0;
  uint8_t bytes[kMaxKey];

  bool operator==(const KeyBytes &o) const noexcept {
    return length == o.length && std::memcmp(bytes, o.bytes, length) == 0;
  }
};

// A key pair the front door parsed: a null pair (`whole`) or the key of index `index`.
struct ParsedKey {
  bool whole = false;
  uint32_t index = 0;  // 0 primary, n secondary index n
  KeyBytes bytes;
};

// Builds the key of index `index` from a record: its byte ranges, concatenated.
inline void BuildKey(const Schema &schema, uint32_t index, const uint8_t *record,
                     KeyBytes *out) noexcept {
  const IndexDef &def = schema.indexes[index];
  uint32_t n = 0;
  for (uint32_t i = 0; i < def.segmentCount; ++i) {
    std::memcpy(out->bytes + n, record + def.segments[i].offset, def.segments[i].length);
    n += def.segments[i].length;
  }
  out->length = n;
}

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_RUNTIME_KEY_H
