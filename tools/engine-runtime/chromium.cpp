#include "tools/engine-runtime/chromium.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/utf8.h"
#include "tools/engine-runtime/engine_log.h"

namespace quorvane::engine {

namespace {

const wchar_t kChromium[] = L"Z:\\usr\\lib\\chromium\\chromium";

bool writeWholeFile(const std::wstring& path, const std::string& data) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == data.size();
}

// Quoted for a command line that Wine splits into a Linux argv the way Windows splits one.
std::wstring quoted(const std::string& argument) {
    std::wstring text = L"\"";
    for (wchar_t c : utf8ToWide(argument)) {
        if (c == L'"')
            text += L'\\';
        text += c;
    }
    return text + L"\"";
}

bool runLinux(const std::wstring& commandLine) {
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    // Empty for a Linux program under Wine; closed in case a platform ever fills them.
    if (process.hThread != nullptr)
        CloseHandle(process.hThread);
    if (process.hProcess != nullptr)
        CloseHandle(process.hProcess);
    return true;
}

// Starts the browser in the background, records its process id, and ends the browser when the
// heartbeat file is older than a few seconds (the Windows side is gone).
const char kWatchdog[] = R"(#!/bin/sh
# Wine hands a Linux child its own standard streams: keep none of them, or a reader of the Windows
# program's output would wait for the browser too.
exec </dev/null >/dev/null 2>&1
heartbeat="$1"; pidfile="$2"; log="$3"; shift 3
status="${pidfile%.pid}.status"
"$@" </dev/null >"$log" 2>&1 &
browser=$!
echo "$browser" >"$pidfile"
# Listed by id and start time, so that whoever ends what is listed can tell a reused id.
started() { sed 's/^.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f20; }
if [ -n "$QV_ENGINE_PID_DIR" ]; then
  browser_start=$(started "$browser"); own_start=$(started $$)
  printf 'browser %s %s\nwatchdog %s %s\n' "$browser" "$browser_start" $$ "$own_start" \
    >"$QV_ENGINE_PID_DIR/.$browser" && mv "$QV_ENGINE_PID_DIR/.$browser" "$QV_ENGINE_PID_DIR/$browser"
fi
(
  while kill -0 "$browser" 2>/dev/null; do
    sleep 1
    beat=$(stat -c %Y "$heartbeat" 2>/dev/null || echo 0)
    if [ $(( $(date +%s) - beat )) -gt 5 ]; then
      kill -TERM "$browser" 2>/dev/null; sleep 2; kill -KILL "$browser" 2>/dev/null
    fi
  done
) &
# The exit status is noted the moment the browser ends, for a runtime that lost it.
wait "$browser"
echo "$?" >"$status"
if [ -n "$QV_ENGINE_PID_DIR" ]; then rm -f "$QV_ENGINE_PID_DIR/$browser"; fi
)";

}  // namespace

bool chromiumInstalled() {
    return GetFileAttributesW(kChromium) != INVALID_FILE_ATTRIBUTES;
}

std::wstring chromiumVersion() {
    if (!chromiumInstalled())
        return {};
    const std::string status = readWholeFile(L"Z:\\var\\lib\\dpkg\\status");
    size_t at = status.find("\nPackage: chromium\n");
    if (at != std::string::npos) {
        size_t end = status.find("\n\n", at + 1);
        size_t version = status.find("\nVersion: ", at + 1);
        if (version != std::string::npos && version < end) {
            std::string text =
                status.substr(version + 10, status.find('\n', version + 10) - (version + 10));
            // "156.0.8078.129-1~deb12u1": the upstream part only.
            text = text.substr(0, text.find('-'));
            if (text.find(':') != std::string::npos)
                text = text.substr(text.find(':') + 1);
            return utf8ToWide(text);
        }
    }
    return L"0.0.0.0";
}

bool loopbackOnly() {
    // Wine's server reads this file, in its own network namespace: the one the browser's sockets
    // are made in too.
    std::istringstream lines(readWholeFile(L"Z:\\proc\\net\\dev"));
    std::string line;
    int interfaces = 0;
    while (std::getline(lines, line)) {
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        name.erase(0, name.find_first_not_of(' '));
        if (name != "lo")
            return false;
        ++interfaces;
    }
    return interfaces == 1;
}

std::string unixPathOf(const std::wstring& windowsPath) {
    using Convert = char*(CDECL*)(LPCWSTR);
    auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr)
        return {};
    char* path = convert(windowsPath.c_str());
    if (path == nullptr)
        return {};
    std::string result = path;
    HeapFree(GetProcessHeap(), 0, path);
    return result;
}

ChromiumProcess::~ChromiumProcess() {
    kill();
}

bool ChromiumProcess::start(const std::wstring& profileFolder,
                            const std::vector<std::string>& extraArguments, int screenWidth,
                            int screenHeight, std::string& error) {
    profile_ = profileFolder;
    for (size_t at = profile_.find(L'\\', 3);; at = profile_.find(L'\\', at + 1)) {
        CreateDirectoryW(profile_.substr(0, at).c_str(), nullptr);
        if (at == std::wstring::npos)
            break;
    }
    const std::wstring portFile = profile_ + L"\\DevToolsActivePort";
    const std::wstring pidFile = profile_ + L"\\browser.pid";
    const std::wstring statusFile = profile_ + L"\\browser.status";
    const std::wstring heartbeatFile = profile_ + L"\\heartbeat";
    const std::wstring scriptFile = profile_ + L"\\watchdog.sh";
    DeleteFileW(portFile.c_str());
    DeleteFileW(pidFile.c_str());
    DeleteFileW(statusFile.c_str());
    writeWholeFile(heartbeatFile, "1");
    if (!writeWholeFile(scriptFile, kWatchdog)) {
        error = "cannot write the watchdog script";
        return false;
    }
    const std::string profileUnix = unixPathOf(profile_);
    if (profileUnix.empty()) {
        error = "no Linux path for the profile folder (not running under Wine?)";
        return false;
    }
    std::vector<std::string> arguments = {
        "/usr/lib/chromium/chromium", "--headless=new", "--no-sandbox",
        "--disable-background-networking", "--disable-component-update", "--no-first-run",
        "--no-default-browser-check", "--disable-sync",
        // HttpsUpgrades would first try an http: navigation as https:, so one navigation would be
        // offered twice; the runtime offers it once.
        "--disable-features=OptimizationHints,MediaRouter,Translate,AutofillServerCommunication,"
        "CertificateTransparencyComponentUpdater,HttpsUpgrades",
        "--disable-default-apps", "--disable-extensions", "--disable-breakpad",
        "--password-store=basic", "--use-mock-keychain", "--disable-dev-shm-usage",
        "--autoplay-policy=no-user-gesture-required", "--remote-debugging-port=0",
        "--screen-info={" + std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "}",
        "--user-data-dir=" + profileUnix};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    arguments.push_back("about:blank");

    std::wstring commandLine = L"/bin/sh " + quoted(profileUnix + "/watchdog.sh") + L" " +
                               quoted(profileUnix + "/heartbeat") + L" " +
                               quoted(profileUnix + "/browser.pid") + L" " +
                               quoted(profileUnix + "/browser.log");
    for (const std::string& argument : arguments)
        commandLine += L" " + quoted(argument);
    if (!runLinux(commandLine)) {
        error = "cannot start /bin/sh: error " + std::to_string(GetLastError());
        return false;
    }
    wake_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    heartbeat_ = std::thread([this, heartbeatFile] {
        while (WaitForSingleObject(wake_, 1000) == WAIT_TIMEOUT)
            writeWholeFile(heartbeatFile, "1");
    });

    // The port appears in the profile about 0.2-0.3 s after the start; a cold start can take a
    // few seconds.
    for (int i = 0; i < 600; ++i) {
        std::string text = readWholeFile(portFile);
        // "PORT\n/devtools/browser/<36-character id>", with or without a final line feed.
        size_t newline = text.find('\n');
        std::string path = newline == std::string::npos ? "" : text.substr(newline + 1);
        path = path.substr(0, path.find('\n'));
        if (path.size() == 54 && path.rfind("/devtools/browser/", 0) == 0) {
            port_ = static_cast<unsigned short>(std::stoi(text.substr(0, newline)));
            browserPath_ = path;
            linuxPid_ = readWholeFile(pidFile);
            while (!linuxPid_.empty() && (linuxPid_.back() == '\n' || linuxPid_.back() == '\r'))
                linuxPid_.pop_back();
            return true;
        }
        Sleep(50);
    }
    error = "the browser did not start listening within 30 s (see browser.log in the profile)";
    kill();
    return false;
}

void ChromiumProcess::crash() {
    if (!linuxPid_.empty() && linuxPid_.find_first_not_of("0123456789") == std::string::npos)
        runLinux(L"/bin/kill -KILL " + utf8ToWide(linuxPid_));
}

int ChromiumProcess::ended() {
    if (profile_.empty())
        return -1;
    crash();
    int status = -1;
    const std::wstring statusFile = profile_ + L"\\browser.status";
    for (int i = 0; i < 40 && status < 0; ++i) {
        const std::string text = readWholeFile(statusFile);
        if (!text.empty() && isdigit(static_cast<unsigned char>(text[0])))
            status = atoi(text.c_str());
        else
            Sleep(50);
    }
    linuxPid_.clear();
    profile_.clear();
    kill();
    return status;
}

void ChromiumProcess::kill() {
    if (linuxPid_.empty() && !profile_.empty()) {
        linuxPid_ = readWholeFile(profile_ + L"\\browser.pid");
        while (!linuxPid_.empty() && (linuxPid_.back() == '\n' || linuxPid_.back() == '\r'))
            linuxPid_.pop_back();
    }
    if (!linuxPid_.empty() && linuxPid_.find_first_not_of("0123456789") == std::string::npos) {
        runLinux(L"/bin/kill -TERM " + utf8ToWide(linuxPid_));
        linuxPid_.clear();
    }
    if (wake_ != nullptr) {
        SetEvent(wake_);
        if (heartbeat_.joinable())
            heartbeat_.join();
        CloseHandle(wake_);
        wake_ = nullptr;
    }
}

}  // namespace quorvane::engine
