#pragma once

namespace quorvane {

// The exit code the page asked for with "app.quit" (0 until it asks); the main window ends the
// message loop with it when it is destroyed.
int requestedExitCode() noexcept;

}  // namespace quorvane
