#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/pack/pack_errors.h"

namespace quorvane::pack {

// Whether |inner| is |outer| or lies inside it, comparing the two full paths as Windows compares
// names (without letter case).
bool sameOrInside(const std::wstring& inner, const std::wstring& outer);

// An item in the output folder that the packager must not replace: moving it aside and deleting
// it, as the swap does with what it replaces, would take away the maker's own work. A link is
// refused rather than replaced: Wine moves and deletes what a link leads to, not the link.
struct OutputConflict {
    enum class Kind { HoldsApp, Link };
    Kind kind;
    std::wstring found;  // its name as the output folder holds it
};

// The first of |names| under which |out| holds the app folder itself or a folder holding it
// (extended paths; |appFolder| may be empty when unknown), or a link. The file system resolves
// each name as the swap's moves will, so another letter case, a link on the way to the app folder
// or another drive letter leading to it change nothing: identities (volume and file index) are
// compared, and the paths' text too.
std::optional<OutputConflict> outputConflict(const std::wstring& out,
                                             const std::vector<std::wstring>& names,
                                             const std::wstring& appFolder);

// Thrown when the output folder holds such an item (exit 2, as a wrong command line).
class OutputInTheWay : public UsageError {
  public:
    explicit OutputInTheWay(OutputConflict conflict)
        : UsageError("the output folder holds what the package must not replace"),
          conflict(std::move(conflict)) {}
    OutputConflict conflict;
};

}  // namespace quorvane::pack
