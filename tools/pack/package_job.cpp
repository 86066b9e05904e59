#include "tools/pack/package_job.h"

#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include <algorithm>
#include <vector>

#include "platform/system_error.h"
#include "platform/scoped_handle.h"
#include "platform/utf8.h"
#include "tools/pack/file_tree.h"
#include "tools/pack/interrupt.h"
#include "tools/pack/long_path.h"
#include "tools/pack/output_check.h"
#include "tools/pack/pack_errors.h"
#include "tools/pack/swap.h"
#include "tools/pack/windows_names.h"
#include "tools/pack/zip_writer.h"
#include "tools/stamp/icon_images.h"
#include "tools/stamp/resource_stamp.h"
#include "tools/stamp/version_info.h"

namespace quorvane::pack {

namespace {

using stamp::AppIdentity;
using stamp::IconImage;

class GdiplusSession {
  public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    }
    ~GdiplusSession() { Gdiplus::GdiplusShutdown(token_); }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

  private:
    ULONG_PTR token_ = 0;
};

// Everything checked before anything is written.
struct CheckedApp {
    AppIdentity identity;
    std::vector<IconImage> icons;
    std::vector<BYTE> version;
    std::vector<TreeEntry> www, webview2;
};

std::vector<TreeEntry> listAppTree(const StageRequest& request, const wchar_t* folder,
                                   std::vector<std::string>& problems) {
    try {
        return listTree(joinPath(request.appFolder, folder), wideToUtf8(folder), problems);
    } catch (const std::runtime_error& error) {
        throw AppFolderError(error.what());
    }
}

CheckedApp checkApp(const StageRequest& request) {
    CheckedApp app;
    AppIdentity& identity = app.identity;
    identity = stamp::readAppIdentity(request.appFolder, request.name, request.warn);
    try {
        app.version = stamp::versionResource(identity.version, identity.strings);
    } catch (const std::length_error&) {
        throw AppFolderError(
            "package.json: \"name\", \"description\", \"company\" and \"copyright\" are too long "
            "together for the executable's version information");
    }
    if (!identity.iconPath.empty()) {
        try {
            app.icons = stamp::iconImagesFromFile(identity.iconPath);
        } catch (const std::runtime_error& error) {
            throw AppFolderError(identity.iconRelative + ": " + error.what() + " (named by " +
                                 identity.iconMember + " in package.json)");
        }
    }
    if (!identity.windowIconOutsideWww.empty() &&
        caseFolded(utf8ToWide(identity.windowIconOutsideWww)) ==
            caseFolded(identity.fileName + L".exe")) {
        throw AppFolderError(identity.windowIconOutsideWww +
                             ": has the name of the package's executable (named by \"window\" / "
                             "\"icon\" in package.json): rename it");
    }
    // Every name Windows cannot hold, all at once.
    std::vector<std::string> problems;
    app.www = listAppTree(request, L"www", problems);
    if (identity.fixedRuntime)
        app.webview2 = listAppTree(request, L"webview2", problems);
    if (!problems.empty()) {
        std::string lines;
        for (const std::string& problem : problems)
            lines += (lines.empty() ? "" : "\n") + problem;
        throw AppFolderError(lines);
    }
    return app;
}

FILETIME newest(std::initializer_list<FILETIME> times) {
    return *std::max_element(times.begin(), times.end(), [](const FILETIME& a, const FILETIME& b) {
        return CompareFileTime(&a, &b) < 0;
    });
}

FILETIME appTimeOf(const std::wstring& path, const std::string& shown) {
    try {
        return writeTimeOf(path);
    } catch (const std::runtime_error& error) {
        throw AppFolderError(shown + ": " + error.what());
    }
}

// Stamps a copy of the shell in the temporary folder, whose short path every resource and image
// function takes, and moves it to |target|.
void writeExecutable(const StageRequest& request, const CheckedApp& app,
                     const std::wstring& target) {
    wchar_t folder[MAX_PATH + 1], temporary[MAX_PATH + 1];
    if (!GetTempPathW(static_cast<DWORD>(std::size(folder)), folder) ||
        !GetTempFileNameW(folder, L"qvp", 0, temporary)) {
        const std::string why = systemErrorText(GetLastError());
        throw WriteError("cannot make a temporary file (" + why + ")");
    }
    try {
        if (!CopyFileW(request.shell.c_str(), temporary, FALSE)) {
            const std::string why = systemErrorText(GetLastError());
            throw WriteError("cannot copy " + shownPath(request.shell) + " (" + why + ")");
        }
        try {
            stamp::stampExecutable(temporary, app.icons, app.version);
        } catch (const std::runtime_error& error) {
            throw WriteError(shownPath(request.shell) + ": " + error.what());
        }
        FILETIME time =
            newest({writeTimeOf(request.shell),
                    appTimeOf(joinPath(request.appFolder, L"package.json"), "package.json")});
        if (!app.identity.iconPath.empty())
            time = newest({time, appTimeOf(app.identity.iconPath, app.identity.iconRelative)});
        setWriteTime(temporary, time);
        if (!MoveFileExW(temporary, target.c_str(), MOVEFILE_COPY_ALLOWED)) {
            const std::string why = systemErrorText(GetLastError());
            throw WriteError("cannot write " + shownPath(target) + " (" + why + ")");
        }
    } catch (...) {
        DeleteFileW(temporary);
        throw;
    }
}

void copyTree(const StageRequest& request, const std::wstring& package, const wchar_t* top,
              const std::vector<TreeEntry>& entries) {
    const std::wstring from = joinPath(request.appFolder, top), to = joinPath(package, top);
    createFolder(to);
    for (const TreeEntry& entry : entries) {
        throwIfInterrupted();
        if (entry.folder)
            createFolder(joinPath(to, entry.relative));
        else
            copyFile(joinPath(from, entry.relative), joinPath(to, entry.relative), entry.shown);
    }
    // Folder times last: every file written into a folder moves its time.
    for (const TreeEntry& entry : entries) {
        if (entry.folder)
            setWriteTime(joinPath(to, entry.relative), entry.written);
    }
    setWriteTime(to, appTimeOf(from, wideToUtf8(top)));
}

// The window icon outside www\, with the folders that lead to it.
void copyWindowIcon(const StageRequest& request, const std::wstring& package,
                    const std::string& relative) {
    const std::wstring path = utf8ToWide(relative);
    std::vector<std::wstring> folders;
    for (size_t slash = path.find(L'/'); slash != std::wstring::npos;
         slash = path.find(L'/', slash + 1))
        folders.push_back(path.substr(0, slash));
    const std::wstring target = joinPath(package, path);
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        return;  // already there: it lies in webview2\ .
    for (const std::wstring& folder : folders)
        createFolders(joinPath(package, folder));
    copyFile(joinPath(request.appFolder, path), target, relative);
    for (const std::wstring& folder : folders)
        setWriteTime(joinPath(package, folder),
                     appTimeOf(joinPath(request.appFolder, folder), wideToUtf8(folder)));
}

}  // namespace

AppIdentity stagePackage(const StageRequest& request) {
    GdiplusSession gdiplus;
    const CheckedApp app = checkApp(request);
    throwIfInterrupted();

    const std::wstring& name = app.identity.fileName;
    const std::wstring package = joinPath(request.stage, name);
    createFolder(package);
    try {
        const std::wstring exe = joinPath(package, name + L".exe");
        writeExecutable(request, app, exe);
        copyFile(joinPath(request.appFolder, L"package.json"), joinPath(package, L"package.json"),
                 "package.json");
        copyTree(request, package, L"www", app.www);
        if (app.identity.fixedRuntime)
            copyTree(request, package, L"webview2", app.webview2);
        if (!app.identity.windowIconOutsideWww.empty())
            copyWindowIcon(request, package, app.identity.windowIconOutsideWww);
        if (app.identity.steam) {
            copyFile(joinPath(request.appFolder, L"steam_api64.dll"),
                     joinPath(package, L"steam_api64.dll"), "steam_api64.dll");
        }
        setWriteTime(package, appTimeOf(request.appFolder, "."));
    } catch (...) {
        removeTree(package);
        throw;
    }
    return app.identity;
}

FinishedPackage finishPackage(const std::wstring& stage, const std::wstring& out,
                              std::optional<int64_t> fixedTime, const std::wstring& appFolder) {
    std::vector<std::wstring> items = topLevelNames(stage), folders;
    for (const std::wstring& item : items) {
        const DWORD attributes = GetFileAttributesW(joinPath(stage, item).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            folders.push_back(item);
    }
    if (folders.size() != 1) {
        throw UsageError(shownPath(stage) + " holds " + std::to_string(folders.size()) +
                         " folders; it must hold one, the package");
    }
    FinishedPackage finished;
    finished.name = folders.front();
    const std::wstring package = joinPath(stage, finished.name);
    const std::wstring zipPath = package + L".zip";
    if (GetFileAttributesW(zipPath.c_str()) != INVALID_FILE_ATTRIBUTES)
        throw UsageError(shownPath(zipPath) + " is there already");
    items.push_back(finished.name + L".zip");
    if (std::optional<OutputConflict> conflict = outputConflict(out, items, appFolder))
        throw OutputInTheWay(*conflict);

    std::vector<std::string> problems;
    std::vector<TreeEntry> entries;
    try {
        entries = listTree(package, wideToUtf8(finished.name), problems);
    } catch (const std::runtime_error& error) {
        throw WriteError(error.what());
    }
    if (!problems.empty())
        throw WriteError(problems.front());
    auto timeOf = [&](const FILETIME& written) {
        return fixedTime ? zipTimeOfUnixSeconds(*fixedTime) : zipTimeOfFile(written);
    };
    {
        ZipWriter zip(zipPath);
        FILETIME packageTime = {};
        try {
            packageTime = writeTimeOf(package);
        } catch (const std::runtime_error& error) {
            throw WriteError(shownPath(package) + ": " + error.what());
        }
        zip.addFolder(wideToUtf8(finished.name) + "/", timeOf(packageTime));
        for (const TreeEntry& entry : entries) {
            if (entry.folder)
                zip.addFolder(entry.shown + "/", timeOf(entry.written));
            else
                zip.addFile(entry.shown, joinPath(package, entry.relative), timeOf(entry.written));
        }
        finished.zipBytes = zip.finish();
    }
    finished.leftOver = swapIntoPlace(stage, out, throwIfInterrupted);
    return finished;
}

}  // namespace quorvane::pack
