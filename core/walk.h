// The generic walk over engine records: a handle from the memory hook holding one engine
// object and its root iterator. The registry's tables and the VRF class data records share it;
// each kind of walk brings its engine object functions and how it reports a failed step.
#ifndef SRV6DB_CORE_WALK_H
#define SRV6DB_CORE_WALK_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/failure.h"
#include "srv6_db.h"

namespace srv6db {

// The steps of a walk that can fail.
enum class Step : uint8_t { kAlloc, kObject, kRootIter, kProperty, kNext, kCount_ };

// How a failed step is reported: a statistic and message of the table (text null), or only a
// text of its own, logged with the engine's code as %d.
struct StepRule {
  Stat stat = Stat::kNone;
  Msg msg = Msg::kNone;
  const char *text = nullptr;
};
using WalkRules = std::array<StepRule, static_cast<size_t>(Step::kCount_)>;

struct Walk {
  uint32_t tableId;  // the table a rule's statistic and message name
  Srv6DbCreateObjFunc createObj;
  Srv6DbObjFunc releaseObj;
  const WalkRules &rules;
};

// Makes the handle: memory, a query object, its root iterator over the key (null: every
// record) and, unless @p count is all bits set, the count property. On a failure: the step's
// report, then the object release once the engine made it, then the handle; null.
Srv6DbIter *OpenWalk(const Walk &walk, uint32_t count, const void *keyInfo, const void *keyData);

// Moves the handle to its next record: 0; 60 at the end; 1 (reported) on a failure.
uint32_t StepWalk(const Walk &walk, Srv6DbIter *iter);

}  // namespace srv6db

#endif  // SRV6DB_CORE_WALK_H
