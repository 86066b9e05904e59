#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace quorvane::engine {

// The Linux Chromium this runtime drives, started from a Windows program under Wine.
//
// Platform facts (Wine 8): CreateProcessW on a Linux program starts it but gives no process id or
// handle, so the browser cannot be waited for or terminated from here; it is ended by its Linux
// process id through /bin/kill. A small Linux watchdog starts the browser and ends it when this
// process stops refreshing a heartbeat file, so a crashed or killed shell leaves no browser behind.

// Whether the browser is installed at its fixed Linux path.
bool chromiumInstalled();
// Its version ("156.0.8078.129"), from the package database; empty when not installed.
std::wstring chromiumVersion();
// Whether the network this process (and Wine's server) sees has no interface but loopback. The
// browser is only ever started in such a network namespace.
bool loopbackOnly();
// The Linux path of a Windows path (Wine's own conversion); empty outside Wine.
std::string unixPathOf(const std::wstring& windowsPath);

class ChromiumProcess {
  public:
    ChromiumProcess() = default;
    ~ChromiumProcess();
    ChromiumProcess(const ChromiumProcess&) = delete;
    ChromiumProcess& operator=(const ChromiumProcess&) = delete;

    // Starts the browser with its profile in |profileFolder| (a Windows path, created if needed)
    // and waits until it listens. |extraArguments| follow the runtime's own switches. On failure
    // returns false and |error| says why.
    bool start(const std::wstring& profileFolder, const std::vector<std::string>& extraArguments,
               int screenWidth, int screenHeight, std::string& error);
    unsigned short port() const { return port_; }
    const std::string& browserPath() const { return browserPath_; }
    // Ends the browser by its Linux process id (TERM), if it was started.
    void kill();
    // Ends the browser at once (KILL), as a crash would: for steps that test recovery.
    void crash();
    // For a browser that went away by itself: makes sure it is gone, forgets it (its profile's
    // files may soon name the next browser), and returns its exit status as its watchdog saw it
    // (128 + the signal for a signal), or -1 when it is not known within 2 s.
    int ended();

  private:
    std::wstring profile_;
    unsigned short port_ = 0;
    std::string browserPath_;
    std::string linuxPid_;
    std::thread heartbeat_;
    std::atomic<bool> stopping_{false};
    HANDLE wake_ = nullptr;
};

}  // namespace quorvane::engine
