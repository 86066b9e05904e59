#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quorvane::pack {

// Creates a new folder ".quorvane-pack-<random>" in |parent| for the packager's own work, named
// unlike any of |avoid| (compared ignoring case); returns its path. Throws WriteError.
std::wstring makeWorkFolder(const std::wstring& parent, const std::vector<std::wstring>& avoid);

// The names at the top of |folder|, in ordinal order. Throws WriteError.
std::vector<std::wstring> topLevelNames(const std::wstring& folder);

// Moves every item at the top of |stage| into |out| (on the same volume) as one set. An item of
// the same name that |out| holds already moves aside first, into a work folder of its own in
// |out|; then the new items move in. |checkpoint| runs before each move and may throw (on
// Ctrl-C): then, or when a move fails, every move done is undone in reverse and |out| is as it
// was. Nothing is deleted before the last new item is in; then the previous items are deleted
// and |stage| is removed. Returns the work folder's path when the previous items could not all
// be deleted (it holds what is left of them), else "". Throws WriteError, or what |checkpoint|
// throws.
std::wstring swapIntoPlace(const std::wstring& stage, const std::wstring& out,
                           const std::function<void()>& checkpoint);

}  // namespace quorvane::pack
