// A bounds-checked copy with the contract of the platform's memcpy_s, which glibc lacks.
#ifndef SRV6DB_CORE_BOUNDED_COPY_H
#define SRV6DB_CORE_BOUNDED_COPY_H

#include <cerrno>
#include <cstddef>
#include <cstring>

namespace srv6db {

// Copies @p count bytes when they fit in @p capacity and neither pointer is null; otherwise
// zeroes the destination (when there is one) and answers an errno value. 0 on success.
inline int CopyBounded(void *dst, size_t capacity, const void *src, size_t count) noexcept {
  if (dst == nullptr) return EINVAL;
  if (src == nullptr || count > capacity) {
    std::memset(dst, 0, capacity);
    return src == nullptr ? EINVAL : ERANGE;
  }
  std::memcpy(dst, src, count);
  return 0;
}

}  // namespace srv6db

#endif  // SRV6DB_CORE_BOUNDED_COPY_H
