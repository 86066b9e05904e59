#pragma once

#include <string>

#include "tools/engine-runtime/devtools.h"

namespace quorvane::engine {

// An uncaught exception as one line of the engine's log: where it was thrown, then what, as a
// compiler says it ("https://quorvane.localhost/js/game.js:12:7: TypeError: x is undefined").
// |details| is the protocol's ExceptionDetails. The place is the innermost frame of its stack (or
// the details' own script), with line and column counted from 1 as browsers show them; the text
// is the exception's message without its stack. Without a script (code a step evaluated) only
// the text is given.
std::string uncaughtExceptionText(const Json& details);

}  // namespace quorvane::engine
