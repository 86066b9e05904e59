#include "installer/runtime_installer.h"

namespace quorvane {

// Placeholder until the install flow lands: returns at once.
void installRuntime(HINSTANCE, const std::wstring&, const AppConfig&) {}

}  // namespace quorvane
