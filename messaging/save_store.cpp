#include "messaging/save_store.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/scoped_find.h"
#include "platform/scoped_handle.h"
#include "platform/system_error.h"
#include "platform/utf8.h"
#include "platform/windows_names.h"

namespace quorvane {

namespace {

struct SaveFile {
    std::string name;
    uint64_t size;
    FILETIME modified;
};

std::wstring pathOf(const std::wstring& folder, const std::string& name) {
    return folder + L"\\" + utf8ToWide(name);
}

Outcome systemFailure(const std::string& what, DWORD error) {
    return Outcome::failure(RequestError::Io, what + ": " + systemErrorText(error));
}

std::string utcText(const FILETIME& time) {
    SYSTEMTIME utc = {};
    FileTimeToSystemTime(&time, &utc);
    char text[32];
    snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", utc.wYear, utc.wMonth, utc.wDay,
             utc.wHour, utc.wMinute, utc.wSecond);
    return text;
}

// The saves in |folder|: files whose names are save names (a temporary file, a folder or the
// player's own "desktop.ini" is none). An absent folder holds none.
bool findSaves(const std::wstring& folder, std::vector<SaveFile>& saves, DWORD& error) {
    WIN32_FIND_DATAW found = {};
    ScopedFind search(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, 0));
    if (!search) {
        error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const std::string name = wideToUtf8(found.cFileName);
        if (!isSaveName(name))
            continue;
        saves.push_back({name, (uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow,
                         found.ftLastWriteTime});
    } while (FindNextFileW(search.get(), &found));
    error = GetLastError();
    return error == ERROR_NO_MORE_FILES;
}

// Whether |bytes| is UTF-8 that the page can be given as a string (no surrogates, nothing over
// U+10FFFF, shortest forms only).
bool isUtf8(std::string_view bytes) {
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                               static_cast<int>(bytes.size()), nullptr, 0) > 0 ||
           bytes.empty();
}

}  // namespace

bool isSaveName(std::string_view name) {
    if (name.empty() || name.size() > 64 || name.front() == '.' || name.back() == '.')
        return false;
    for (char c : name) {
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                             (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!allowed)
            return false;
    }
    return !isDeviceName(utf8ToWide(name));
}

unsigned long createFolderChain(const std::wstring& folder) {
    if (CreateDirectoryW(folder.c_str(), nullptr))
        return 0;
    DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) {
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        return (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                   ? 0
                   : ERROR_ALREADY_EXISTS;
    }
    if (error != ERROR_PATH_NOT_FOUND)
        return error;
    const size_t slash = folder.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash == 0)
        return error;
    if (const DWORD parent = createFolderChain(folder.substr(0, slash)); parent != 0)
        return parent;
    return CreateDirectoryW(folder.c_str(), nullptr) ? 0 : GetLastError();
}

Outcome writeSave(const std::wstring& folder, const std::string& name, const std::string& text) {
    const std::wstring path = pathOf(folder, name);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::vector<SaveFile> saves;
        DWORD error = 0;
        if (!findSaves(folder, saves, error))
            return systemFailure("the saves folder cannot be listed", error);
        if (saves.size() >= kMaxSaves) {
            return Outcome::failure(RequestError::Quota, "there are " +
                                                             std::to_string(saves.size()) +
                                                             " saves already (at most " +
                                                             std::to_string(kMaxSaves) + ")");
        }
        if (const DWORD created = createFolderChain(folder); created != 0)
            return systemFailure("the saves folder cannot be created", created);
    }
    if (const DWORD error = replaceFileAtomically(path, text); error != 0)
        return systemFailure("\"" + name + "\" cannot be written", error);
    return Outcome::success();
}

Outcome readSave(const std::wstring& folder, const std::string& name) {
    ScopedHandle file(CreateFileW(pathOf(folder, name).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return Outcome::success(nullptr);
        return systemFailure("\"" + name + "\" cannot be read", error);
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size))
        return systemFailure("\"" + name + "\" cannot be read", GetLastError());
    // A file the player put there by hand may be anything; the page gets at most what it can
    // write.
    if (static_cast<uint64_t>(size.QuadPart) > kMaxSaveBytes) {
        return Outcome::failure(RequestError::TooLarge,
                                "\"" + name + "\" holds " + std::to_string(size.QuadPart) +
                                    " bytes (at most " + std::to_string(kMaxSaveBytes) + ")");
    }
    std::string text(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!text.empty() &&
        (!ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &got, nullptr) ||
         got != text.size()))
        return systemFailure("\"" + name + "\" cannot be read", GetLastError());
    if (!isUtf8(text))
        return Outcome::failure(RequestError::Io, "\"" + name + "\" is not UTF-8 text");
    return Outcome::success(std::move(text));
}

Outcome listSaves(const std::wstring& folder) {
    std::vector<SaveFile> saves;
    DWORD error = 0;
    if (!findSaves(folder, saves, error))
        return systemFailure("the saves folder cannot be listed", error);
    std::sort(saves.begin(), saves.end(),
              [](const SaveFile& a, const SaveFile& b) { return a.name < b.name; });
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const SaveFile& save : saves) {
        list.push_back(
            {{"name", save.name}, {"size", save.size}, {"modified", utcText(save.modified)}});
    }
    return Outcome::success(std::move(list));
}

Outcome removeSave(const std::wstring& folder, const std::string& name) {
    if (DeleteFileW(pathOf(folder, name).c_str()))
        return Outcome::success(true);
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return Outcome::success(false);
    return systemFailure("\"" + name + "\" cannot be removed", error);
}

}  // namespace quorvane
