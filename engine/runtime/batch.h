// Where a backend's walk puts the records of its next batch.
#ifndef SRV6DB_ENGINE_RUNTIME_BATCH_H
#define SRV6DB_ENGINE_RUNTIME_BATCH_H

#include <cstdint>
#include <cstdlib>

#include "engine/schema.h"

namespace srv6db::engine {

// Kept in a walk's state in its object. A walk of count 1 takes its record into `one`; a batched
// walk takes up to kBytes of records into `batch`, allocated at the slot's first batched walk
// and kept with the slot, so that objects that never batch cost no batch bytes and no walk
// allocates after that. All-zero bytes are valid: nothing taken yet.
struct BatchSpace {
  static constexpr uint32_t kBytes = 4096;
  static_assert(kBytes >= kMaxRecord);

  uint8_t *batch;
  alignas(8) uint8_t one[kMaxRecord];

  // Room for the next batch: *max records of recordSize, as many as countHint asks for (1 when
  // unset) and kBytes holds; one record when the batch cannot be allocated.
  uint8_t *Take(uint32_t countHint, uint32_t recordSize, uint32_t *max) noexcept {
    const uint32_t fits = kBytes / recordSize;
    *max = countHint <= 1 ? 1 : countHint < fits ? countHint : fits;
    if (*max == 1) return one;
    if (batch == nullptr) batch = static_cast<uint8_t *>(std::malloc(kBytes));
    if (batch != nullptr) return batch;
    *max = 1;
    return one;
  }
};

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_RUNTIME_BATCH_H
