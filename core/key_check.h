// The check every keyed operation makes before the engine sees a key descriptor.
#ifndef SRV6DB_CORE_KEY_CHECK_H
#define SRV6DB_CORE_KEY_CHECK_H

#include <cstdint>
#include <cstring>

#include "srv6_db.h"

namespace srv6db {

// The engine receives only the two pointers and reads as many key bytes as the key word
// says, so a descriptor whose own non-zero lengths say less is refused here: missing, a key
// info area too short to hold a key word, or key bytes fewer or more than the key word's.
inline bool BadKey(const Srv6DbKey *key) noexcept {
  if (key == nullptr) return true;
  if (key->keyInfo == nullptr) return false;
  if (key->keyInfoLen != 0 && key->keyInfoLen < sizeof(uint32_t)) return true;
  uint32_t word;
  std::memcpy(&word, key->keyInfo, sizeof(word));
  return key->keyDataLen != 0 && key->keyDataLen != (word & 0xFFFFu);
}

}  // namespace srv6db

#endif  // SRV6DB_CORE_KEY_CHECK_H
