#pragma once

#include <optional>
#include <string>

#include "tools/engine-runtime/devtools.h"

namespace quorvane::engine {

// What {"key": NAME} presses: the protocol's keyDown and keyUp events for a named key (the table
// in step_keys.cpp) or for one printable character (the letters and digits with the physical
// key's code, so that games reading event.code see "KeyW" or "Digit1"). Nothing for any other
// name. scripts/preview-check.py refuses the same names before a run (its test compares them).
struct KeyPress {
    Json down;
    Json up;
};
std::optional<KeyPress> keyPress(const std::string& name);

}  // namespace quorvane::engine
