// The backend in use, for the front door: chosen once, at load or by srv6db_engine_open.
#ifndef SRV6DB_ENGINE_CHOICE_H
#define SRV6DB_ENGINE_CHOICE_H

#include "engine/backend.h"

namespace srv6db::engine {

// The backend chosen when the library loaded (SRV6DB_ENGINE) or by srv6db_engine_open.
extern Backend *g_backend;
Backend &ChooseFromEnvironment() noexcept;
inline Backend &TheBackend() noexcept {
  Backend *b = g_backend;
  return __builtin_expect(b != nullptr, 1) ? *b : ChooseFromEnvironment();
}

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_CHOICE_H
