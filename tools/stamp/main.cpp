// The packager's Windows half: checks an app folder and writes the app's identity (icon and
// version information) into a copy of the shell's executable.
//
// Usage: qv_stamp [--name NAME] APP_FOLDER SHELL_EXE OUT_EXE
//
// On success prints "name=<file name>", "fixed=<0|1>" and, for each file outside www\ that the
// package must carry (the window icon), "copy=<path relative to APP_FOLDER>" (UTF-8 lines), and
// exits 0. Otherwise
// prints one line saying what is wrong and exits 1 for a problem of the app folder (the line then
// starts with the file concerned, relative to APP_FOLDER), 2 for a wrong command line, 3 when the
// executable could not be written; OUT_EXE is then absent.

#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/utf8.h"
#include "tools/stamp/app_identity.h"
#include "tools/stamp/file_name.h"
#include "tools/stamp/icon_images.h"
#include "tools/stamp/resource_stamp.h"

namespace quorvane::stamp {
namespace {

constexpr int kAppFolderProblem = 1;
constexpr int kUsageProblem = 2;
constexpr int kWriteProblem = 3;

int report(int code, const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return code;
}

// The full path, without a trailing backslash.
std::wstring fullPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 4];
    DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(std::size(buffer)), buffer, nullptr);
    std::wstring full = length > 0 && length < std::size(buffer) ? buffer : path;
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/'))
        full.pop_back();
    return full;
}

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

int run(int argc, wchar_t** argv) {
    std::vector<std::wstring> arguments(argv + 1, argv + argc);
    std::wstring name;
    if (arguments.size() >= 2 && arguments[0] == L"--name") {
        name = arguments[1];
        arguments.erase(arguments.begin(), arguments.begin() + 2);
        if (name.empty() || safeFileName(name) != name) {
            return report(kUsageProblem,
                          "--name \"" + wideToUtf8(name) +
                              "\" is not usable as a Windows file name (for example \"" +
                              wideToUtf8(safeFileName(name)) + "\" is)");
        }
    }
    if (arguments.size() != 3)
        return report(kUsageProblem, "usage: qv_stamp [--name NAME] APP_FOLDER SHELL_EXE OUT_EXE");
    const std::wstring appFolder = fullPath(arguments[0]);
    const std::wstring& shell = arguments[1];
    const std::wstring& out = arguments[2];

    AppIdentity identity;
    std::vector<IconImage> icons;
    std::vector<BYTE> version;
    GdiplusSession gdiplus;
    try {
        identity = readAppIdentity(appFolder, name);
        try {
            version = versionResource(identity.version, identity.strings);
        } catch (const std::length_error&) {
            throw AppFolderError(
                "package.json: \"name\", \"description\", \"company\" and \"copyright\" are "
                "too long together for the executable's version information");
        }
        if (!identity.iconPath.empty()) {
            try {
                icons = iconImagesFromFile(identity.iconPath);
            } catch (const std::runtime_error& error) {
                throw AppFolderError(identity.iconRelative + ": " + error.what() + " (named by " +
                                     identity.iconMember + " in package.json)");
            }
        }
    } catch (const AppFolderError& error) {
        return report(kAppFolderProblem, error.what());
    }

    try {
        if (!CopyFileW(shell.c_str(), out.c_str(), FALSE)) {
            throw std::runtime_error("cannot copy " + wideToUtf8(shell) + " to " + wideToUtf8(out) +
                                     " (error " + std::to_string(GetLastError()) + ")");
        }
        stampExecutable(out, icons, version);
    } catch (const std::exception& error) {
        DeleteFileW(out.c_str());
        return report(kWriteProblem, wideToUtf8(out) + ": " + error.what());
    }
    std::printf("name=%s\nfixed=%d\n", wideToUtf8(identity.fileName).c_str(),
                identity.fixedRuntime ? 1 : 0);
    if (!identity.windowIconOutsideWww.empty())
        std::printf("copy=%s\n", identity.windowIconOutsideWww.c_str());
    return 0;
}

}  // namespace
}  // namespace quorvane::stamp

int wmain(int argc, wchar_t** argv) {
    // UTF-8 bytes and "\n" exactly as written, for the script that reads them.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    try {
        return quorvane::stamp::run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 3;
    }
}
