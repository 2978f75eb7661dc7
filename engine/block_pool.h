// Fixed-size blocks carved from large chunks: no per-block allocator header, a freed block is
// the next one handed out, and the chunks go back to the system together once none is in use.
#ifndef SRV6DB_ENGINE_BLOCK_POOL_H
#define SRV6DB_ENGINE_BLOCK_POOL_H

#include <cstddef>
#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define SRV6DB_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define SRV6DB_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define SRV6DB_POISON(p, n) ((void)(p), (void)(n))
#define SRV6DB_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace srv6db::engine {

class BlockPool {
 public:
  BlockPool() = default;
  BlockPool(const BlockPool &) = delete;
  BlockPool &operator=(const BlockPool &) = delete;
  ~BlockPool() { ReleaseChunks(); }

  // Blocks are 16-byte aligned and a multiple of 16 bytes long.
  void Init(uint32_t blockSize) noexcept {
    blockSize_ = (blockSize + 15u) & ~15u;
    blocksPerChunk_ = kChunkBytes / blockSize_ > 0 ? kChunkBytes / blockSize_ : 1;
  }

  void *Allocate() noexcept {
    void *p = free_;
    if (p != nullptr) {
      SRV6DB_UNPOISON(p, blockSize_);
      free_ = *static_cast<void **>(p);
    } else {
      if (next_ == end_) NewChunk();
      p = next_;
      next_ += blockSize_;
    }
    ++live_;
    return p;
  }

  void Free(void *p) noexcept {
    *static_cast<void **>(p) = free_;
    free_ = p;
    // A freed block keeps only its free-list link readable: a use after free is reported.
    SRV6DB_POISON(static_cast<uint8_t *>(p) + sizeof(void *), blockSize_ - sizeof(void *));
    --live_;
  }

  uint64_t BytesInUse() const noexcept { return live_ * blockSize_; }

  // Gives every chunk back when no block is in use; otherwise keeps them for reuse.
  void Trim() noexcept {
    if (live_ == 0) ReleaseChunks();
  }

 private:
  static constexpr uint32_t kChunkBytes = 64 * 1024;
  static constexpr size_t kHeader = 16;  // the next-chunk link, keeping blocks 16-aligned

  void NewChunk() noexcept {
    auto *chunk = static_cast<uint8_t *>(
        ::operator new (kHeader + size_t{blockSize_} * blocksPerChunk_, std::align_val_t{16}));
    *reinterpret_cast<uint8_t **>(chunk) = chunks_;
    chunks_ = chunk;
    next_ = chunk + kHeader;
    end_ = next_ + size_t{blockSize_} * blocksPerChunk_;
  }

  void ReleaseChunks() noexcept {
    while (chunks_ != nullptr) {
      uint8_t *next = *reinterpret_cast<uint8_t **>(chunks_);
      SRV6DB_UNPOISON(chunks_, kHeader + size_t{blockSize_} * blocksPerChunk_);
      ::operator delete (chunks_, std::align_val_t{16});
      chunks_ = next;
    }
    free_ = nullptr;
    next_ = end_ = nullptr;
  }

  uint32_t blockSize_ = 16;
  uint32_t blocksPerChunk_ = 1;
  void *free_ = nullptr;
  uint8_t *chunks_ = nullptr;
  uint8_t *next_ = nullptr;  // unused part of the newest chunk
  uint8_t *end_ = nullptr;
  uint64_t live_ = 0;
};

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_BLOCK_POOL_H
