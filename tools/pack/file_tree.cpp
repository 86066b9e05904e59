#include "tools/pack/file_tree.h"

#include <algorithm>
#include <map>
#include <utility>

#include "platform/final_path.h"
#include "platform/scoped_find.h"
#include "platform/system_error.h"
#include "platform/scoped_handle.h"
#include "platform/utf8.h"
#include "tools/pack/long_path.h"
#include "tools/pack/pack_errors.h"
#include "tools/pack/windows_names.h"

namespace quorvane::pack {

namespace {

struct Found {
    std::wstring name;
    WIN32_FIND_DATAW data;
};

std::vector<Found> folderContent(const std::wstring& folder, const std::string& shown) {
    std::vector<Found> content;
    WIN32_FIND_DATAW data = {};
    ScopedFind find(FindFirstFileExW(joinPath(folder, L"*").c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        const std::string why = systemErrorText(GetLastError());
        throw std::runtime_error(shown + ": cannot be listed (" + why + ")");
    }
    do {
        const std::wstring_view name = data.cFileName;
        if (name != L"." && name != L"..")
            content.push_back({data.cFileName, data});
    } while (FindNextFileW(find.get(), &data));
    if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES)
        throw std::runtime_error(shown + ": cannot be listed (" + systemErrorText(error) + ")");
    std::sort(content.begin(), content.end(),
              [](const Found& a, const Found& b) { return a.name < b.name; });
    return content;
}

void listInto(const std::wstring& root, const std::wstring& relative, const std::string& shown,
              std::vector<FileId>& holders, std::vector<TreeEntry>& entries,
              std::vector<std::string>& problems) {
    const std::wstring folder = relative.empty() ? root : joinPath(root, relative);
    std::vector<Found> content = folderContent(folder, shown);

    std::map<std::wstring, std::vector<std::string>> byFoldedName;
    for (const Found& found : content)
        byFoldedName[caseFolded(found.name)].push_back(wideToUtf8(found.name));

    for (const Found& found : content) {
        const std::string path = shown + "/" + wideToUtf8(found.name);
        if (const std::string why = unholdableName(found.name); !why.empty()) {
            problems.push_back(path + ": Windows cannot hold this name: " + why);
            continue;
        }
        const std::vector<std::string>& same = byFoldedName[caseFolded(found.name)];
        if (same.size() > 1) {
            std::string others;
            for (const std::string& other : same) {
                if (other != wideToUtf8(found.name))
                    others += (others.empty() ? "" : ", ") + other;
            }
            problems.push_back(path + ": Windows cannot hold this name beside " + others +
                               ": they differ only in letter case");
            continue;
        }
        TreeEntry entry;
        entry.relative = relative.empty() ? found.name : relative + L"\\" + found.name;
        entry.shown = path;
        entry.folder = (found.data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.written = found.data.ftLastWriteTime;
        entry.size = (static_cast<unsigned long long>(found.data.nFileSizeHigh) << 32) |
                     found.data.nFileSizeLow;
        entries.push_back(entry);
        if (!entry.folder)
            continue;
        FileId id;
        const bool known = fileIdOf(joinPath(root, entry.relative), id);
        if (known && std::find(holders.begin(), holders.end(), id) != holders.end()) {
            problems.push_back(path + ": a link to a folder that holds it (it would never end)");
            continue;
        }
        if (known)
            holders.push_back(id);
        listInto(root, entry.relative, path, holders, entries, problems);
        if (known)
            holders.pop_back();
    }
}

[[noreturn]] void failWrite(const std::string& what, const std::wstring& path) {
    const std::string why = systemErrorText(GetLastError());
    throw WriteError("cannot " + what + " " + shownPath(path) + " (" + why + ")");
}

}  // namespace

std::vector<TreeEntry> listTree(const std::wstring& folder, const std::string& shown,
                                std::vector<std::string>& problems) {
    std::vector<TreeEntry> entries;
    std::vector<FileId> holders;
    if (FileId id; fileIdOf(folder, id))
        holders.push_back(id);
    listInto(folder, L"", shown, holders, entries, problems);
    return entries;
}

std::vector<std::wstring> namesIn(const std::wstring& folder, const std::string& shown) {
    std::vector<std::wstring> names;
    for (Found& found : folderContent(folder, shown))
        names.push_back(std::move(found.name));
    return names;
}

bool fileIdOf(const std::wstring& path, FileId& id) {
    ScopedHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!file || !GetFileInformationByHandle(file.get(), &info))
        return false;
    id = {info.dwVolumeSerialNumber,
          (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
}

FILETIME writeTimeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        const std::string why = systemErrorText(GetLastError());
        throw std::runtime_error("cannot be read (" + why + ")");
    }
    return data.ftLastWriteTime;
}

void setWriteTime(const std::wstring& path, const FILETIME& time) {
    ScopedHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file || !SetFileTime(file.get(), nullptr, nullptr, &time))
        failWrite("set the time of", path);
}

void createFolder(const std::wstring& path) {
    if (!CreateDirectoryW(path.c_str(), nullptr))
        failWrite("create", path);
}

void createFolders(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return;
    const size_t parent = path.find_last_of(L'\\');
    // Stop at the root of "\\?\C:\" and of "\\?\UNC\server\share".
    if (parent != std::wstring::npos && parent > 7)
        createFolders(path.substr(0, parent));
    if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        failWrite("create", path);
}

void copyFile(const std::wstring& from, const std::wstring& to, const std::string& shown) {
    if (CopyFileW(from.c_str(), to.c_str(), TRUE))
        return;
    const DWORD error = GetLastError();
    ScopedHandle source(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source) {
        const std::string why = systemErrorText(GetLastError());
        throw AppFolderError(shown + ": cannot be read (" + why + ")");
    }
    SetLastError(error);
    failWrite("write", to);
}

namespace {

// isLink, with the final path of the folder already known.
bool isLinkIn(const std::wstring& folderFinal, const std::wstring& path, std::wstring_view name) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return true;
    const std::wstring item = finalPathOf(path);
    return !item.empty() && !folderFinal.empty() &&
           !sameWindowsName(item, joinPath(folderFinal, name));
}

// Removes |path|, which |folderFinal| holds as |name|.
bool removeItem(const std::wstring& folderFinal, const std::wstring& path, std::wstring_view name) {
    if (isLinkIn(folderFinal, path, name))
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return DeleteFileW(path.c_str()) != 0;
    bool removed = true;
    const std::wstring final = finalPathOf(path);
    WIN32_FIND_DATAW data = {};
    ScopedFind find(FindFirstFileExW(joinPath(path, L"*").c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, 0));
    if (find) {
        do {
            const std::wstring_view child = data.cFileName;
            if (child != L"." && child != L"..")
                removed = removeItem(final, joinPath(path, child), child) && removed;
        } while (FindNextFileW(find.get(), &data));
    }
    return RemoveDirectoryW(path.c_str()) != 0 && removed;
}

}  // namespace

bool isLink(const std::wstring& folder, const std::wstring& name) {
    return isLinkIn(finalPathOf(folder), joinPath(folder, name), name);
}

bool removeTree(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? L"." : path.substr(0, slash);
    return removeItem(finalPathOf(folder), path, std::wstring_view(path).substr(slash + 1));
}

}  // namespace quorvane::pack
