// Runs a laid-out application (the example in dist/) under the stand-in runtime, playing what its
// page does: it loads its script, stylesheet, font, images and music (by ranges, as a media
// element does), changes its title, switches fullscreen in and out by message, and opens its
// credits link in a new window. Prints what the shell did and exits 0 when every request was
// answered as expected, the window appeared, fullscreen went in and out and the link was handed
// over; 1 otherwise.
//
// Usage: example_run.exe APP_FOLDER   (a folder holding the shell's .exe, package.json and www\)

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/utf8.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/scheme_handlers.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace quorvane::testing {
namespace {

struct Request {
    const char* path;
    const char* range;  // null: no Range header
    int status;         // the answer the page needs
};

const Request kRequests[] = {
    {"css/style.css", nullptr, 200},           {"js/game.js", nullptr, 200},
    {"fonts/DejaVuSans.ttf", nullptr, 200},    {"img/sprite.png", nullptr, 200},
    {"audio/theme.wav", "bytes=0-", 206},      {"audio/theme.wav", "bytes=44-65579", 206},
    {"audio/theme.wav", "bytes=200000-", 206}, {"favicon.ico", nullptr, 404},
};
const char kCredits[] = "https://example.com/sky-puzzle/credits";

void copyTree(const std::wstring& from, const std::wstring& to) {
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((from + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            copyTree(from + L"\\" + name, to + L"\\" + name);
        } else {
            CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE);
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
}

std::wstring findExecutable(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*.exe").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return {};
    FindClose(find);
    return folder + L"\\" + entry.cFileName;
}

std::string field(const std::string& line, const std::string& after, char end = ' ') {
    size_t at = line.find(after);
    if (at == std::string::npos)
        return {};
    at += after.size();
    return line.substr(at, line.find(end, at) - at);
}

int run(const std::wstring& source) {
    const std::wstring executable = findExecutable(source);
    if (executable.empty() || !fileExists(source + L"\\package.json")) {
        std::printf("No application in %s (an .exe and package.json are needed).\n",
                    narrow(source).c_str());
        return 1;
    }
    ShellApp app("{}");
    copyTree(source, app.folder.path());
    app.folder.installExecutable(executable);
    app.folder.placeLoaderBesideExe();

    const std::string origin = kOrigin;
    std::string steps = "[";
    for (const Request& r : kRequests) {
        steps += R"({"do":"request","uri":")" + origin + r.path + "\"";
        if (r.range != nullptr)
            steps += R"(,"headers":["Range: )" + std::string(r.range) + "\"]";
        steps += "},";
    }
    steps += R"({"do":"title","text":"Sky Puzzle - Level 1"},)"
             R"({"do":"messageString","source":")" +
             origin +
             R"(index.html","text":"{\"type\":\"set-fullscreen\",\"fullscreen\":true}"},)"
             R"({"do":"wait","ms":300},)"
             R"({"do":"messageString","source":")" +
             origin +
             R"(index.html","text":"{\"type\":\"set-fullscreen\",\"fullscreen\":false}"},)"
             R"({"do":"wait","ms":300},)"
             R"({"do":"newWindow","uri":")" +
             std::string(kCredits) +
             R"(","userInitiated":true},)"
             R"({"do":"wait","ms":1000},{"do":"close"}])";

    TempDir logFolder;
    const std::wstring log = logFolder / L"links.txt";
    SchemeHandlers handlers({L"http", L"https", L"mailto"}, log);
    MainWindowWatch watch;
    RunResult result = runShell(app, steps, "", &watch);

    bool ok = !result.timedOut && result.exitCode == 0 && result.messageBoxes.empty();
    std::printf("Quorvane example run: %s\n\nRequests and answers:\n", narrow(executable).c_str());
    size_t expectedIndex = 0;
    int answered = 0;
    for (size_t i = 0; i < result.transcript.size(); ++i) {
        const std::string& line = result.transcript[i];
        if (!line.starts_with("WebResourceRequested "))
            continue;
        std::string uri = field(line, "WebResourceRequested GET ");
        std::string answer = i + 1 < result.transcript.size() ? result.transcript[i + 1] : "";
        std::string status = field(answer, "response ");
        std::string reason = answer.substr(answer.find(' ', 9) + 1);
        reason = reason.substr(0, reason.find(" headers="));
        std::string type = field(answer, "Content-Type: ", '\\');
        std::string range = field(answer, "Content-Range: ", '\\');
        std::string body = field(answer, " body[", ']');
        std::printf("  GET %-46s -> %s %s", uri.substr(origin.size() - 1).c_str(), status.c_str(),
                    reason.c_str());
        if (!type.empty())
            std::printf(", %s", type.c_str());
        if (!range.empty())
            std::printf(", %s", range.c_str());
        if (!body.empty())
            std::printf(", %s bytes", body.c_str());
        // The first request is the main page itself; the rest are the page's, in order.
        int expected = 200;
        if (answered > 0) {
            expected = expectedIndex < std::size(kRequests) ? kRequests[expectedIndex].status : 0;
            ++expectedIndex;
        }
        ++answered;
        bool good = std::atoi(status.c_str()) == expected;
        std::printf("%s\n", good ? "" : "   <-- unexpected");
        ok = ok && good;
    }
    ok = ok && answered == static_cast<int>(std::size(kRequests)) + 1;

    const bool shown = watch.everVisible();
    std::printf("\nWindow: %s", shown ? "shown after the page was parsed" : "never shown");
    if (!watch.states().empty()) {
        std::printf(", last title \"%s\"", narrow(watch.states().back().title).c_str());
    }
    std::printf("\n");
    ok = ok && shown && !watch.states().empty() &&
         watch.states().back().title == L"Sky Puzzle - Level 1";

    int entered = 0, left = 0;
    std::vector<std::string> bounds = result.linesStartingWith("controller Bounds=");
    for (size_t i = 1; i < bounds.size(); ++i) {
        bool full = bounds[i] == "controller Bounds=0,0,1920,1080";
        bool wasFull = bounds[i - 1] == "controller Bounds=0,0,1920,1080";
        if (full && !wasFull)
            ++entered;
        if (!full && wasFull)
            ++left;
    }
    std::printf("Fullscreen: entered %d time(s), left %d time(s)\n", entered, left);
    ok = ok && entered == 1 && left == 1;

    std::vector<std::string> links;
    for (int i = 0; i < 30 && links.empty(); ++i) {
        links = recordedLinks(log);
        if (links.empty())
            Sleep(100);
    }
    std::printf("Links handed to the default program: %zu\n", links.size());
    for (const std::string& link : links)
        std::printf("  %s\n", link.c_str());
    ok = ok && links == std::vector<std::string>{kCredits};

    std::printf("Message boxes: %zu\nExit code: %lu%s\n\n%s\n", result.messageBoxes.size(),
                result.exitCode, result.timedOut ? " (timed out)" : "",
                ok ? "Everything was answered as expected." : "SOMETHING WAS NOT AS EXPECTED.");
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace quorvane::testing

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::printf("usage: example_run APP_FOLDER\n");
        return 2;
    }
    try {
        return quorvane::testing::run(argv[1]);
    } catch (const std::exception& error) {
        std::printf("example run failed: %s\n", error.what());
        return 1;
    }
}
