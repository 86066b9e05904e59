#pragma once

namespace quorvane {

// Unmaps and closes every cached file view (at shutdown).
void releaseMappedFiles();

}  // namespace quorvane
