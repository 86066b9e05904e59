// "app.info" and "app.quit".
#include "messaging/app_requests.h"

#include <windows.h>
#include <shellapi.h>

#include "manifest/app_config.h"
#include "messaging/request_members.h"
#include "messaging/request_table.h"
#include "messaging/save_requests.h"
#include "platform/utf8.h"
#include "window/window_state.h"

namespace quorvane {

namespace {

int exitCode = 0;

// The command line after the executable, split as the C runtime splits it.
nlohmann::ordered_json commandLineArguments() {
    nlohmann::ordered_json args = nlohmann::ordered_json::array();
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr)
        return args;
    for (int i = 1; i < count; ++i)
        args.push_back(wideToUtf8(words[i]));
    LocalFree(words);
    return args;
}

// The player's display language ("en-US", "de-DE"): the first of the user's preferred UI
// languages, or the user's locale when the system gives none.
std::string playerLocale() {
    ULONG count = 0;
    ULONG length = 0;
    if (GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &length) && length > 1) {
        std::wstring languages(length, L'\0');
        if (GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, languages.data(), &length) &&
            languages[0] != L'\0')
            return wideToUtf8(languages.c_str());
    }
    wchar_t locale[LOCALE_NAME_MAX_LENGTH] = {};
    if (GetUserDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH) > 1)
        return wideToUtf8(locale);
    return "en-US";
}

Outcome info(nlohmann::json&) {
    const AppConfig& config = appConfig;
    return Outcome::success(
        {{"name", wideToUtf8(config.name)},
         {"version", config.version.empty() ? nlohmann::ordered_json()
                                            : nlohmann::ordered_json(wideToUtf8(config.version))},
         {"shellVersion", QV_VERSION},
         {"args", commandLineArguments()},
         {"locale", playerLocale()},
         {"savesFolder", wideToUtf8(savesFolder())}});
}

Outcome quit(nlohmann::json& request) {
    const int64_t code = integerOr(request, "code", 0, 255, 0);
    exitCode = static_cast<int>(code);
    // Posted, as the close button's WM_CLOSE is, so the answer leaves first; closing goes the way
    // a player's close does (the window's state is remembered, the saves in flight are finished).
    PostMessageW(windowState.window, WM_CLOSE, 0, 0);
    return Outcome::success();
}

constexpr RequestType kAppRequests[] = {
    {"app.info", RunsOn::UiThread, info},
    {"app.quit", RunsOn::UiThread, quit},
};

}  // namespace

std::span<const RequestType> appRequests() {
    return kAppRequests;
}

int requestedExitCode() noexcept {
    return exitCode;
}

}  // namespace quorvane
