#include "tools/pack/swap.h"

#include <windows.h>

#include <algorithm>
#include <random>
#include <utility>

#include "platform/system_error.h"
#include "platform/utf8.h"
#include "tools/pack/file_tree.h"
#include "tools/pack/long_path.h"
#include "tools/pack/pack_errors.h"
#include "tools/pack/windows_names.h"

namespace quorvane::pack {

std::wstring makeWorkFolder(const std::wstring& parent, const std::vector<std::wstring>& avoid) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t name[32];
        swprintf(name, std::size(name), L".quorvane-pack-%08x", static_cast<unsigned>(random()));
        const bool taken = std::any_of(avoid.begin(), avoid.end(), [&](const std::wstring& other) {
            return caseFolded(other) == caseFolded(name);
        });
        const std::wstring path = joinPath(parent, name);
        if (!taken && CreateDirectoryW(path.c_str(), nullptr))
            return path;
        if (!taken && GetLastError() != ERROR_ALREADY_EXISTS) {
            const std::string why = systemErrorText(GetLastError());
            throw WriteError("cannot create a work folder in " + shownPath(parent) + " (" + why +
                             ")");
        }
    }
    throw WriteError("cannot create a work folder in " + shownPath(parent));
}

std::vector<std::wstring> topLevelNames(const std::wstring& folder) {
    try {
        return namesIn(folder, shownPath(folder));
    } catch (const std::runtime_error& error) {
        throw WriteError(error.what());
    }
}

std::wstring swapIntoPlace(const std::wstring& stage, const std::wstring& out,
                           const std::function<void()>& checkpoint) {
    const std::vector<std::wstring> items = topLevelNames(stage);
    const std::wstring aside = makeWorkFolder(out, items);
    std::vector<std::pair<std::wstring, std::wstring>> done;
    auto move = [&](const std::wstring& from, const std::wstring& to) {
        checkpoint();
        if (!MoveFileExW(from.c_str(), to.c_str(), 0)) {
            const std::string why = systemErrorText(GetLastError());
            throw WriteError("cannot move " + shownPath(from) + " to " + shownPath(to) + " (" +
                             why + ")");
        }
        done.emplace_back(from, to);
    };
    try {
        for (const std::wstring& item : items) {
            const std::wstring old = joinPath(out, item);
            if (GetFileAttributesW(old.c_str()) != INVALID_FILE_ATTRIBUTES)
                move(old, joinPath(aside, item));
        }
        for (const std::wstring& item : items)
            move(joinPath(stage, item), joinPath(out, item));
    } catch (...) {
        std::string stuck;
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            if (!MoveFileExW(it->second.c_str(), it->first.c_str(), 0))
                stuck += (stuck.empty() ? "" : "; ") + shownPath(it->second) + " belongs at " +
                         shownPath(it->first);
        }
        if (!stuck.empty()) {
            throw WriteError(
                "a move into place failed and could not all be undone, nothing was "
                "deleted: " +
                stuck);
        }
        RemoveDirectoryW(aside.c_str());
        throw;
    }
    // The new set is in place: only now does the previous one go.
    const bool removed = removeTree(aside);
    RemoveDirectoryW(stage.c_str());
    return removed ? std::wstring() : aside;
}

}  // namespace quorvane::pack
