// quorvane-pack: packages an app for Windows players.
//
//   quorvane-pack.exe [--name NAME] APP_FOLDER [OUT_FOLDER]
//
// APP_FOLDER holds package.json, www\ and, in "fixed" distribution mode, webview2\. The result is
// OUT_FOLDER\<Name>\ with <Name>.exe (a copy of the Quorvane.exe beside this program, carrying the
// app's icon and version information), package.json, www\ (and webview2\, and the window icon
// when it lies outside www\), plus OUT_FOLDER\<Name>.zip of that folder, ready to ship. <Name> is
// the manifest's "name" made safe as a file name, or NAME. OUT_FOLDER defaults to "dist".
//
// Everything is made in a work folder inside OUT_FOLDER and moved into place at the end, as one
// set: a failure or Ctrl-C leaves the previous package and zip as they were.
//
// Exit codes: 0 done, 1 the app folder has a problem (each message line names a file and why),
// 2 a wrong command line, 3 the package could not be written, 130 interrupted.
//
// Wrappers (scripts/package.sh, which signs and builds installers between the two) use
//   --stage [--name NAME] APP_FOLDER STAGE_FOLDER   lay out STAGE_FOLDER\<Name>\ only
//   --finish [--app APP_FOLDER] STAGE_FOLDER OUT_FOLDER
//                                                   zip it and move all into place, refusing to
//                                                   replace APP_FOLDER or a folder holding it
// and --show-app TEXT / --show-out TEXT, how messages name the two folders.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/app_paths.h"
#include "platform/utf8.h"
#include "tools/pack/file_tree.h"
#include "tools/pack/interrupt.h"
#include "tools/pack/long_path.h"
#include "tools/pack/output_check.h"
#include "tools/pack/pack_errors.h"
#include "tools/pack/package_job.h"
#include "tools/pack/swap.h"
#include "tools/pack/windows_names.h"
#include "tools/stamp/file_name.h"

namespace quorvane::pack {
namespace {

constexpr int kDone = 0, kAppFolderProblem = 1, kUsageProblem = 2, kWriteProblem = 3,
              kInterrupted = 130;
constexpr char kProgram[] = "quorvane-pack";
constexpr char kUsage[] = "usage: quorvane-pack.exe [--name NAME] APP_FOLDER [OUT_FOLDER]";
constexpr char kStageUsage[] =
    "usage: quorvane-pack.exe --stage [--name NAME] APP_FOLDER STAGE_FOLDER";
constexpr char kFinishUsage[] =
    "usage: quorvane-pack.exe --finish [--app APP_FOLDER] STAGE_FOLDER OUT_FOLDER";

// One line to a standard stream: UTF-16 to a console, UTF-8 bytes and "\n" to a file or pipe.
void writeLine(DWORD stream, const std::string& line) {
    HANDLE handle = GetStdHandle(stream);
    DWORD mode = 0, wrote = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring text = utf8ToWide(line + "\n");
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
    } else {
        const std::string text = line + "\n";
        WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
    }
}

// How messages join a folder and a name: "\\" as Windows writes paths, or "/" for a wrapper that
// names the folders itself (--show-app, --show-out: the scripts on Linux).
char separator = '\\';

// A message line that begins with a path relative to the app folder ("www/CON: ..."), with that
// path's separators as messages write them.
std::string withSeparators(std::string line) {
    const size_t end = std::min(line.find(": "), line.size());
    for (size_t i = 0; i < end; ++i)
        line[i] = line[i] == '/' ? separator : line[i];
    return line;
}

// Each line of |message| on its own, after the program's name. With |folder|, each line begins
// with a path inside that folder (as app folder problems and warnings do).
int report(int code, const std::string& message, const std::string& folder = "") {
    size_t start = 0;
    for (;;) {
        const size_t end = message.find('\n', start);
        const std::string line = message.substr(start, end - start);
        writeLine(STD_ERROR_HANDLE, std::string(kProgram) + ": " +
                                        (folder.empty() ? line : folder + withSeparators(line)));
        if (end == std::string::npos)
            return code;
        start = end + 1;
    }
}

struct CommandLine {
    enum class Mode { Whole, Stage, Finish } mode = Mode::Whole;
    std::optional<std::wstring> name, app;
    std::optional<std::string> appShown, outShown;
    std::vector<std::wstring> positional;
};

// A path as it was typed, for messages: without trailing separators.
std::string shownTyped(const std::wstring& typed) {
    std::wstring shown = typed;
    while (shown.size() > 1 && (shown.back() == L'\\' || shown.back() == L'/') &&
           shown[shown.size() - 2] != L':')
        shown.pop_back();
    return wideToUtf8(shown);
}

std::optional<int64_t> sourceDateEpoch() {
    wchar_t value[64];
    const DWORD length = GetEnvironmentVariableW(L"SOURCE_DATE_EPOCH", value, std::size(value));
    if (length == 0)
        return std::nullopt;
    const std::wstring text(value, length < std::size(value) ? length : 0);
    size_t used = 0;
    int64_t seconds = 0;
    try {
        seconds = std::stoll(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (text.empty() || used != text.size() || seconds < 0)
        throw UsageError("SOURCE_DATE_EPOCH is not a number of seconds: \"" + wideToUtf8(text) +
                         "\"");
    return seconds;
}

// The Quorvane.exe that lies beside this program.
std::wstring shellBesideUs() {
    const std::wstring self = modulePath(nullptr, MAX_PATH);
    const std::wstring folder = self.substr(0, self.find_last_of(L"\\/"));
    const std::wstring shell = joinPath(extendedPath(folder), L"Quorvane.exe");
    if (GetFileAttributesW(shell.c_str()) == INVALID_FILE_ATTRIBUTES)
        throw WriteError("Quorvane.exe: not found beside quorvane-pack.exe in " +
                         wideToUtf8(folder) + " (keep the two together, as the download has them)");
    return shell;
}

// A folder argument that Windows cannot use as typed (a trailing dot, a device name, "?").
void checkTyped(const std::wstring& typed, const std::string& shown, bool app) {
    const std::string why = unusablePath(typed);
    if (why.empty())
        return;
    const std::string message = shown + ": Windows cannot use this path: " + why;
    if (app)
        throw AppFolderError(message);
    throw UsageError(message);
}

void printStaged(const stamp::AppIdentity& identity) {
    auto value = [&](const wchar_t* key) {
        for (const auto& [name, text] : identity.strings) {
            if (name == key) {
                std::string line = wideToUtf8(text);
                for (char& c : line)
                    c = static_cast<unsigned char>(c) < 32 ? ' ' : c;
                return line;
            }
        }
        return std::string();
    };
    const WORD* p = identity.version.parts;
    const std::string name = wideToUtf8(identity.fileName);
    const std::string lines[] = {
        "name=" + name,
        "exe=" + name + "/" + name + ".exe",
        "product=" + value(L"ProductName"),
        "version=" + value(L"ProductVersion"),
        "file-version=" + std::to_string(p[0]) + "." + std::to_string(p[1]) + "." +
            std::to_string(p[2]) + "." + std::to_string(p[3]),
        "company=" + value(L"CompanyName"),
        "description=" + value(L"FileDescription"),
        "copyright=" + value(L"LegalCopyright"),
        std::string("fixed=") + (identity.fixedRuntime ? "1" : "0"),
    };
    for (const std::string& line : lines)
        writeLine(STD_OUTPUT_HANDLE, line);
}

void printPackaged(const FinishedPackage& finished, const std::string& outShown) {
    const std::string name = wideToUtf8(finished.name);
    const std::string in = outShown + separator;
    writeLine(STD_OUTPUT_HANDLE, "Packaged \"" + name + "\": " + in + name + separator + " and " +
                                     in + name + ".zip (" +
                                     std::to_string((finished.zipBytes + 1023) / 1024) + " KiB)");
    if (!finished.leftOver.empty()) {
        // The work folder lies in the output folder: named as the output folder is.
        const std::wstring& aside = finished.leftOver;
        report(kDone, "the previous package could not all be deleted; what is left of it is in " +
                          outShown + separator +
                          wideToUtf8(aside.substr(aside.find_last_of(L'\\') + 1)));
    }
}

// finishPackage, saying which item of the output folder is in the way.
FinishedPackage finish(const std::wstring& stage, const std::wstring& out,
                       std::optional<int64_t> fixedTime, const std::wstring& appFolder,
                       const std::string& outShown) {
    try {
        return finishPackage(stage, out, fixedTime, appFolder);
    } catch (const OutputInTheWay& error) {
        const std::string found = outShown + separator + wideToUtf8(error.conflict.found);
        if (error.conflict.kind == OutputConflict::Kind::Link) {
            throw UsageError(found +
                             " is a link: the packager replaces neither a link nor what it leads "
                             "to; remove the link or choose another OUT_FOLDER");
        }
        throw UsageError(found +
                         " is the app folder itself or holds it: choose another OUT_FOLDER");
    }
}

int run(const CommandLine& command) {
    const auto& args = command.positional;
    std::string appShown;
    if (command.mode == CommandLine::Mode::Finish) {
        if (args.size() != 2)
            return report(kUsageProblem, kFinishUsage);
        const std::optional<int64_t> fixedTime = sourceDateEpoch();
        const std::string outShown = command.outShown.value_or(shownTyped(args[1]));
        const std::wstring app = command.app ? extendedPath(*command.app) : std::wstring();
        printPackaged(
            finish(extendedPath(args[0]), extendedPath(args[1]), fixedTime, app, outShown),
            outShown);
        return kDone;
    }

    const bool whole = command.mode == CommandLine::Mode::Whole;
    if (whole ? args.empty() || args.size() > 2 : args.size() != 2)
        return report(kUsageProblem, whole ? kUsage : kStageUsage);
    if (command.name &&
        (command.name->empty() || stamp::safeFileName(*command.name) != *command.name)) {
        throw UsageError("--name \"" + wideToUtf8(*command.name) +
                         "\" is not usable as a Windows file name (for example \"" +
                         wideToUtf8(stamp::safeFileName(*command.name)) + "\" is)");
    }
    const std::optional<int64_t> fixedTime = sourceDateEpoch();
    StageRequest request;
    request.appShown = command.appShown.value_or(shownTyped(args[0]));
    checkTyped(args[0], request.appShown, true);
    request.appFolder = extendedPath(args[0]);
    const DWORD attributes = GetFileAttributesW(request.appFolder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return report(kAppFolderProblem, request.appShown + ": no such folder");
    request.name = command.name.value_or(L"");
    request.warn = [&](const std::string& line) {
        report(kDone, line, "warning: " + request.appShown + separator);
    };

    if (!whole) {
        request.shell = shellBesideUs();
        request.stage = extendedPath(args[1]);
        try {
            printStaged(stagePackage(request));
        } catch (const AppFolderError& error) {
            return report(kAppFolderProblem, error.what(), request.appShown + separator);
        }
        return kDone;
    }

    const std::wstring outTyped = args.size() > 1 ? args[1] : L"dist";
    const std::string outShown = command.outShown.value_or(shownTyped(outTyped));
    checkTyped(outTyped, outShown, false);
    const std::wstring out = extendedPath(outTyped);
    if (sameOrInside(out, request.appFolder)) {
        throw UsageError(outShown + " is inside the app folder " + request.appShown +
                         ": the package would end up inside itself");
    }
    request.shell = shellBesideUs();
    createFolders(out);
    request.stage = makeWorkFolder(out, {});
    try {
        stamp::AppIdentity identity;
        try {
            identity = stagePackage(request);
        } catch (const AppFolderError& error) {
            removeTree(request.stage);
            return report(kAppFolderProblem, error.what(), request.appShown + separator);
        }
        printPackaged(finish(request.stage, out, fixedTime, request.appFolder, outShown), outShown);
    } catch (...) {
        removeTree(request.stage);
        throw;
    }
    return kDone;
}

// Parses the command line; returns an exit code when it is wrong or asks for help.
std::optional<int> parse(int argc, wchar_t** argv, CommandLine& command) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        auto value = [&]() -> std::optional<std::wstring> {
            if (i + 1 >= argc)
                return std::nullopt;
            return std::wstring(argv[++i]);
        };
        std::optional<std::wstring> given;
        if (arg == L"--name" || arg == L"--app" || arg == L"--show-app" || arg == L"--show-out") {
            given = value();
            if (!given)
                return report(kUsageProblem, kUsage);
        }
        if (arg == L"--stage") {
            command.mode = CommandLine::Mode::Stage;
        } else if (arg == L"--finish") {
            command.mode = CommandLine::Mode::Finish;
        } else if (arg == L"--name") {
            command.name = *given;
        } else if (arg.rfind(L"--name=", 0) == 0) {
            command.name = arg.substr(7);
        } else if (arg == L"--app") {
            command.app = *given;
        } else if (arg == L"--show-app") {
            command.appShown = wideToUtf8(*given);
        } else if (arg == L"--show-out") {
            command.outShown = wideToUtf8(*given);
        } else if (arg == L"-h" || arg == L"--help" || arg == L"/?") {
            writeLine(STD_OUTPUT_HANDLE, kUsage);
            return kDone;
        } else if (arg == L"--version") {
            writeLine(STD_OUTPUT_HANDLE, std::string("quorvane-pack ") + QV_VERSION);
            return kDone;
        } else if (arg.size() > 1 && arg[0] == L'-') {
            return report(kUsageProblem, "unknown option " + wideToUtf8(arg) + "; " + kUsage);
        } else {
            command.positional.push_back(arg);
        }
    }
    return std::nullopt;
}

}  // namespace
}  // namespace quorvane::pack

int wmain(int argc, wchar_t** argv) {
    using namespace quorvane::pack;
    catchInterrupts();
    CommandLine command;
    try {
        if (const std::optional<int> code = parse(argc, argv, command))
            return *code;
        if (command.appShown || command.outShown)
            separator = '/';
        return run(command);
    } catch (const AppFolderError& error) {
        return report(kAppFolderProblem, error.what());
    } catch (const UsageError& error) {
        return report(kUsageProblem, error.what());
    } catch (const Interrupted&) {
        return report(kInterrupted, "interrupted; the output folder is as it was");
    } catch (const std::exception& error) {
        return report(kWriteProblem, error.what());
    }
}
