// Object and iterator handles: a kind, a slot of the object pool and the slot's generation
// packed into a pointer-sized value that is never dereferenced.
#ifndef SRV6DB_ENGINE_RUNTIME_HANDLE_H
#define SRV6DB_ENGINE_RUNTIME_HANDLE_H

#include <cstdint>

namespace srv6db::engine {

static_assert(sizeof(void *) == 8, "handles pack a slot and a generation into a pointer");

enum class HandleKind : uint32_t { kObject = 1, kIterator = 2 };

// Bits 0-1 kind, 2-21 slot, 22-63 generation. A generation is odd while its object lives and
// grows by two per use of the slot; a slot whose generation would pass kMaxGeneration is
// retired for good, so a released handle never names a later object.
constexpr uint32_t kSlotBits = 20;
constexpr uint32_t kGenerationShift = 2 + kSlotBits;
constexpr uint64_t kMaxGeneration = (uint64_t{1} << (64 - kGenerationShift)) - 1;

struct HandleParts {
  HandleKind kind;
  uint32_t slot;
  uint64_t generation;
};

constexpr uint64_t PackHandle(HandleKind kind, uint32_t slot, uint64_t generation) noexcept {
  return (generation << kGenerationShift) | (uint64_t{slot} << 2) | static_cast<uint32_t>(kind);
}

constexpr HandleParts UnpackHandle(uint64_t h) noexcept {
  return {static_cast<HandleKind>(h & 3u), static_cast<uint32_t>(h >> 2) & ((1u << kSlotBits) - 1),
          h >> kGenerationShift};
}

inline void *ToHandle(HandleKind kind, uint32_t slot, uint64_t generation) noexcept {
  return reinterpret_cast<void *>(static_cast<uintptr_t>(PackHandle(kind, slot, generation)));
}

inline HandleParts FromHandle(const void *handle) noexcept {
  return UnpackHandle(reinterpret_cast<uintptr_t>(handle));
}

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_RUNTIME_HANDLE_H
