#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "steam/steam_library.h"

namespace quorvane {

// Steam for one run, through the maker's steam_api64.dll. Every call is made on the UI thread:
// the library promises nothing about threads.

// The running library: each call goes straight to it, and the page's changes to stats and
// achievements are remembered until they are stored.
class SteamSession {
  public:
    SteamSession(const SteamExports& exports, const SteamInterfaces& interfaces)
        : exports_(exports), interfaces_(interfaces) {}

    uint32_t appId() const;
    // None without ISteamUser (an older library) or while nobody is logged on (id 0).
    std::optional<uint64_t> steamId() const;
    std::string personaName() const;
    std::string language() const;
    bool onSteamDeck() const;

    // None for a name the app's Steamworks settings do not define (or before the stats arrived).
    std::optional<bool> achievement(const std::string& name) const;
    bool setAchievement(const std::string& name);
    bool clearAchievement(const std::string& name);
    bool indicateProgress(const std::string& name, uint32_t current, uint32_t max);
    std::optional<int32_t> intStat(const std::string& name) const;
    std::optional<float> floatStat(const std::string& name) const;
    bool setIntStat(const std::string& name, int32_t value);
    bool setFloatStat(const std::string& name, float value);
    bool storeStats();

    bool setRichPresence(const std::string& key, const std::string& value);
    void clearRichPresence();
    bool dlcInstalled(uint32_t appId) const;

    void runCallbacks() { exports_.runCallbacks(); }
    // The last calls of the run: StoreStats once if something set was not stored (a game that
    // never stores would lose it), then SteamAPI_Shutdown.
    void finish();

  private:
    bool changed(bool accepted);

    SteamExports exports_;
    SteamInterfaces interfaces_;
    bool unstored_ = false;
};

enum class SteamStart {
    Continue,  // Steam runs, or is unavailable: the game starts either way
    Restart,   // Steam starts the game again through its client: end this process now, with 0
};

// Callbacks run at least this often, from a timer of the calling thread's message loop.
inline constexpr unsigned kSteamCallbacksIntervalMs = 50;

// Start-up, before any window: with |appId| (the manifest's), loads <folder>steam_api64.dll,
// asks SteamAPI_RestartAppIfNecessary, initialises the library and finds its interfaces. Without
// |appId| nothing is loaded; |problem| says why a "steam" member that is there is not used. Every
// failure leaves Steam unavailable with its reason, in the log too.
SteamStart startSteam(const std::wstring& folder, std::optional<uint32_t> appId,
                      const std::string& problem);

// At exit, after the browser is gone: finishes a running session and stops its timer. Once;
// nothing when Steam did not run.
void stopSteam() noexcept;

// The running session, or null while Steam is unavailable.
SteamSession* runningSteam();

// Why Steam is unavailable (empty while it runs), as the page sees it.
const std::string& steamUnavailableReason();

}  // namespace quorvane
