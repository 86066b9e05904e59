#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tools/stamp/icon_images.h"

namespace quorvane::stamp {

// Writes an app's identity into the executable at |path|, in place (work on a copy):
// - when |icons| is not empty, they replace the images of the main icon group (the first group,
//   the one Explorer shows), which keeps its name and language, so a program that loads its own
//   icon by name still finds it; images no other group uses are removed, so the executable holds
//   the app's images and no others;
// - every version resource is replaced by |version|;
// - every other resource (the application manifest) stays as it was.
// Then the header checksum is recomputed, since the resource update leaves it stale. The file
// must be stripped: the resource update moves what follows the resources but not the symbol
// table's pointer. Throws std::runtime_error.
void stampExecutable(const std::wstring& path, const std::vector<IconImage>& icons,
                     const std::vector<BYTE>& version);

}  // namespace quorvane::stamp
