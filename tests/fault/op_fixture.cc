// Shared fixture of the fault and bad-input suites.
#include "tests/fault/op_fixture.h"

#include <cstdarg>
#include <cstdio>

namespace srv6db::test {

std::vector<LogEvent> &Events() {
  static std::vector<LogEvent> events;
  return events;
}

void RecordingErrLog(const char *format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  Srv6DbEngineObjectStats objects;
  srv6db_engine_object_stats(&objects);
  Events().push_back({text, objects.live, CountedMem().live});
}

std::vector<uint32_t> AllFunctions() {
  std::vector<uint32_t> fns;
  for (uint32_t fn = 0; fn < SRV6DB_ENGINE_FN_COUNT_OF; ++fn) fns.push_back(fn);
  return fns;
}

}  // namespace srv6db::test
