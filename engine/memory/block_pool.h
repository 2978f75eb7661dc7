// Fixed-size blocks carved from large chunks: no per-block allocator header, a freed block is
// the next one handed out, and the chunks go back to the system together once none is in use.
#ifndef SRV6DB_ENGINE_MEMORY_BLOCK_POOL_H
#define SRV6DB_ENGINE_MEMORY_BLOCK_POOL_H

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define SRV6DB_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define SRV6DB_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define SRV6DB_POISON(p, n) ((void)(p), (void)(n))
#define SRV6DB_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace srv6db::engine {

// Memory for hash slot arrays and pool chunks, 16-byte aligned. From 2 MiB up it is aligned to
// 2 MiB and offered to the kernel for transparent huge pages: random access over a large table
// then misses the TLB far less often. Freed with std::free.
inline void *AllocateLarge(size_t bytes) noexcept {
  constexpr size_t kHuge = size_t{2} << 20;
  const bool huge = bytes >= kHuge;
  const size_t align = huge ? kHuge : 16;
  const size_t size = (bytes + align - 1) & ~(align - 1);
  void *p = std::aligned_alloc(align, size);
  if (p == nullptr) std::abort();  // as operator new would, without exceptions
  if (huge) madvise(p, size, MADV_HUGEPAGE);
  return p;
}

// Fixed-size blocks carved from chunks that double in size up to 2 MiB: a small table keeps
// little spare memory, a large one few chunks, each a huge page.
class BlockPool {
 public:
  BlockPool() = default;
  BlockPool(const BlockPool &) = delete;
  BlockPool &operator=(const BlockPool &) = delete;
  ~BlockPool() { ReleaseChunks(); }

  // Blocks are 16-byte aligned and a multiple of 16 bytes long.
  void Init(uint32_t blockSize) noexcept { blockSize_ = (blockSize + 15u) & ~15u; }

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
  static constexpr size_t kFirstChunk = size_t{64} << 10;
  static constexpr size_t kLastChunk = size_t{2} << 20;
  // A chunk starts with the next chunk's address and its own size, keeping blocks 16-aligned.
  struct ChunkHeader {
    uint8_t *next;
    size_t bytes;
  };
  static_assert(sizeof(ChunkHeader) == 16);

  void NewChunk() noexcept {
    const size_t bytes = chunkBytes_ >= sizeof(ChunkHeader) + blockSize_
                             ? chunkBytes_
                             : sizeof(ChunkHeader) + blockSize_;
    auto *chunk = static_cast<uint8_t *>(AllocateLarge(bytes));
    const ChunkHeader header = {chunks_, bytes};
    std::memcpy(chunk, &header, sizeof(header));
    chunks_ = chunk;
    next_ = chunk + sizeof(ChunkHeader);
    end_ = next_ + (bytes - sizeof(ChunkHeader)) / blockSize_ * blockSize_;
    if (chunkBytes_ < kLastChunk) chunkBytes_ *= 2;
  }

  void ReleaseChunks() noexcept {
    while (chunks_ != nullptr) {
      ChunkHeader header;
      std::memcpy(&header, chunks_, sizeof(header));
      SRV6DB_UNPOISON(chunks_, header.bytes);
      std::free(chunks_);
      chunks_ = header.next;
    }
    free_ = nullptr;
    next_ = end_ = nullptr;
    chunkBytes_ = kFirstChunk;
  }

  uint32_t blockSize_ = 16;
  size_t chunkBytes_ = kFirstChunk;  // of the next chunk
  void *free_ = nullptr;
  uint8_t *chunks_ = nullptr;
  uint8_t *next_ = nullptr;  // unused part of the newest chunk
  uint8_t *end_ = nullptr;
  uint64_t live_ = 0;
};

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_MEMORY_BLOCK_POOL_H
