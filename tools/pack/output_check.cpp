#include "tools/pack/output_check.h"

#include <windows.h>

#include <algorithm>

#include "platform/scoped_find.h"
#include "platform/windows_names.h"
#include "tools/pack/file_tree.h"
#include "tools/pack/long_path.h"

namespace quorvane::pack {

namespace {

// |path| and every folder above it, up to its root ("\\?\C:\", "\\?\UNC\server\share").
std::vector<std::wstring> pathAndAbove(std::wstring path) {
    std::vector<std::wstring> paths;
    while (!path.empty()) {
        paths.push_back(path);
        const size_t slash = path.find_last_of(L'\\');
        // "\\?\" is the shortest start; a root ends in its separator.
        if (slash == std::wstring::npos || slash < 4 || slash + 1 == path.size())
            break;
        path.resize(slash);
        if (path.back() == L':')
            path += L'\\';
    }
    return paths;
}

// The name under which |folder| holds |name| (its letter case there), or |name| when not found.
std::wstring storedName(const std::wstring& folder, const std::wstring& name) {
    WIN32_FIND_DATAW data = {};
    ScopedFind find(FindFirstFileExW(joinPath(folder, name).c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, 0));
    return find ? std::wstring(data.cFileName) : name;
}

}  // namespace

bool sameOrInside(const std::wstring& inner, const std::wstring& outer) {
    const std::wstring a = caseFolded(inner), b = caseFolded(outer);
    return a == b || (a.size() > b.size() && a.compare(0, b.size(), b) == 0 &&
                      (a[b.size()] == L'\\' || b.back() == L'\\'));
}

std::optional<OutputConflict> outputConflict(const std::wstring& out,
                                             const std::vector<std::wstring>& names,
                                             const std::wstring& appFolder) {
    std::vector<FileId> app;
    for (const std::wstring& path :
         appFolder.empty() ? std::vector<std::wstring>() : pathAndAbove(appFolder)) {
        if (FileId id; fileIdOf(path, id))
            app.push_back(id);
    }
    for (const std::wstring& name : names) {
        const std::wstring path = joinPath(out, name);
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        FileId id;
        if ((!appFolder.empty() && sameOrInside(appFolder, path)) ||
            (fileIdOf(path, id) && std::find(app.begin(), app.end(), id) != app.end()))
            return OutputConflict{OutputConflict::Kind::HoldsApp, storedName(out, name)};
        if (isLink(out, name))
            return OutputConflict{OutputConflict::Kind::Link, storedName(out, name)};
    }
    return std::nullopt;
}

}  // namespace quorvane::pack
