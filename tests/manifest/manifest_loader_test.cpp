#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cwchar>
#include <optional>
#include <string>

#include "manifest/manifest_loader.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

const wchar_t kInstall[] =
    L"This app requires the Microsoft Edge WebView2 runtime. It will be downloaded and installed "
    L"for you now.";
const wchar_t kInstallFailed[] =
    L"Failed to install the Microsoft Edge WebView2 runtime. Check that you have permission to "
    L"install it, and that your Internet connection is working. Run the app again to try again.";

AppConfig defaultsNamed(const std::wstring& name) {
    AppConfig c;
    c.name = name;
    c.mainPage = L"index.html";
    c.windowTitle = L"Windows Quorvane";
    c.windowWidth = 1024;
    c.windowHeight = 768;
    c.windowIconPath = L"";
    c.resizable = true;
    c.chromiumArgs = L"";
    c.distributionMode = DistributionMode::Evergreen;
    c.enableDevtools = true;
    c.browserKeys = std::nullopt;
    c.contextMenu = true;
    c.statusBar = std::nullopt;
    c.pinchZoom = std::nullopt;
    c.swipeNavigation = std::nullopt;
    c.autofill = std::nullopt;
    c.crossOriginIsolation = false;
    c.savesFolder = SavesFolder::SavedGames;
    c.savesFolderProblem = "not given";
    c.installMessage = kInstall;
    c.downloadingMessage = L"Downloading...";
    c.installFailedMessage = kInstallFailed;
    return c;
}

enum class Failure { None, Syntax, InvalidName, InvalidMode, OutOfRange };

struct Case {
    const char* title;
    std::string text;
    Failure failure;
    AppConfig expected;  // compared only when failure is None
};

template <typename F>
AppConfig with(const std::wstring& name, F change) {
    AppConfig c = defaultsNamed(name);
    change(c);
    return c;
}

void expectSameConfig(const AppConfig& actual, const AppConfig& expected, const char* title) {
    SCOPED_TRACE(title);
    EXPECT_EQ(testing::narrow(actual.name), testing::narrow(expected.name));
    EXPECT_EQ(testing::narrow(actual.mainPage), testing::narrow(expected.mainPage));
    EXPECT_EQ(actual.windowTitle, expected.windowTitle);
    EXPECT_EQ(actual.windowWidth, expected.windowWidth);
    EXPECT_EQ(actual.windowHeight, expected.windowHeight);
    EXPECT_EQ(actual.windowIconPath, expected.windowIconPath);
    EXPECT_EQ(actual.windowIcon, nullptr);
    EXPECT_EQ(actual.resizable, expected.resizable);
    EXPECT_EQ(actual.chromiumArgs, expected.chromiumArgs);
    EXPECT_EQ(actual.distributionMode, expected.distributionMode);
    EXPECT_EQ(actual.enableDevtools, expected.enableDevtools);
    EXPECT_EQ(actual.browserKeys, expected.browserKeys);
    EXPECT_EQ(actual.contextMenu, expected.contextMenu);
    EXPECT_EQ(actual.statusBar, expected.statusBar);
    EXPECT_EQ(actual.pinchZoom, expected.pinchZoom);
    EXPECT_EQ(actual.swipeNavigation, expected.swipeNavigation);
    EXPECT_EQ(actual.autofill, expected.autofill);
    EXPECT_EQ(actual.crossOriginIsolation, expected.crossOriginIsolation);
    EXPECT_EQ(testing::narrow(actual.version), testing::narrow(expected.version));
    EXPECT_EQ(actual.savesFolder, expected.savesFolder);
    EXPECT_EQ(actual.savesFolderProblem, expected.savesFolderProblem);
    EXPECT_EQ(actual.rememberWindow, expected.rememberWindow);
    EXPECT_EQ(actual.singleInstance, expected.singleInstance);
    EXPECT_EQ(actual.gpu, expected.gpu);
    EXPECT_EQ(actual.installMessage, expected.installMessage);
    EXPECT_EQ(actual.downloadingMessage, expected.downloadingMessage);
    EXPECT_EQ(actual.installFailedMessage, expected.installFailedMessage);
}

Failure parseFailure(const std::string& text, AppConfig& config) {
    try {
        ManifestLoader::parseManifest(text.c_str(), config);
        return Failure::None;
    } catch (const wchar_t* message) {
        if (std::wcscmp(message, L"invalid name") == 0)
            return Failure::InvalidName;
        if (std::wcscmp(message, L"invalid distribution mode") == 0)
            return Failure::InvalidMode;
        ADD_FAILURE() << "unexpected text thrown";
    } catch (const nlohmann::json::parse_error&) {
        return Failure::Syntax;
    } catch (const nlohmann::json::out_of_range&) {
        return Failure::OutOfRange;
    }
    return Failure::None;
}

std::string nested(int depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

TEST(ParseManifest, TableOfManifests) {
    const Case cases[] = {
        {"only a name gives every default", R"({"name":"demo"})", Failure::None,
         defaultsNamed(L"demo")},
        {"the worked example",
         R"({"name":"Sky Puzzle","main":"game.html","window":{"title":"Sky Puzzle","width":1280,
             "height":720.9,"icon":"icon.png","resizable":false},"chromium-args":"--mute-audio",
             "settings":{"distribution-mode":"fixed","enable-devtools":false},
             "messages":{"downloading":"Fetching the browser runtime..."}})",
         Failure::None,
         with(L"Sky Puzzle",
              [](AppConfig& c) {
                  c.mainPage = L"game.html";
                  c.windowTitle = L"Sky Puzzle";
                  c.windowWidth = 1280;
                  c.windowHeight = 720;
                  c.windowIconPath = L"icon.png";
                  c.resizable = false;
                  c.chromiumArgs = L"--mute-audio";
                  c.distributionMode = DistributionMode::Fixed;
                  c.enableDevtools = false;
                  c.downloadingMessage = L"Fetching the browser runtime...";
              })},
        {"custom messages",
         R"({"name":"m","messages":{"install-webview2":"Get it","install-webview2-failed":"No"}})",
         Failure::None,
         with(L"m",
              [](AppConfig& c) {
                  c.installMessage = L"Get it";
                  c.installFailedMessage = L"No";
              })},
        {"empty name", R"({"name":""})", Failure::InvalidName, {}},
        {"number as name", R"({"name":5})", Failure::InvalidName, {}},
        {"missing name", R"({"main":"a.html"})", Failure::InvalidName, {}},
        {"root is an array", R"([{"name":"x"}])", Failure::InvalidName, {}},
        {"root is a string", R"("name")", Failure::InvalidName, {}},
        {"root is null", "null", Failure::InvalidName, {}},
        {"name checked before a bad mode",
         R"({"settings":{"distribution-mode":"nope"}})",
         Failure::InvalidName,
         {}},
        {"string as window", R"({"name":"w","window":"big"})", Failure::None, defaultsNamed(L"w")},
        {"array as window", R"({"name":"w","window":[1024,768]})", Failure::None,
         defaultsNamed(L"w")},
        {"string width", R"({"name":"w","window":{"width":"800"}})", Failure::None,
         defaultsNamed(L"w")},
        {"float width truncates", R"({"name":"w","window":{"width":800.9,"height":-1.5}})",
         Failure::None,
         with(L"w",
              [](AppConfig& c) {
                  c.windowWidth = 800;
                  c.windowHeight = -1;
              })},
        {"2^32+800 keeps the low bits", R"({"name":"w","window":{"width":4294968096}})",
         Failure::None, with(L"w", [](AppConfig& c) { c.windowWidth = 800; })},
        {"negative integer", R"({"name":"w","window":{"width":-5,"height":-2147483648}})",
         Failure::None,
         with(L"w",
              [](AppConfig& c) {
                  c.windowWidth = -5;
                  c.windowHeight = INT32_MIN;
              })},
        {"2^63 as unsigned", R"({"name":"w","window":{"width":9223372036854775808}})",
         Failure::None, with(L"w", [](AppConfig& c) { c.windowWidth = 0; })},
        {"2^64-1", R"({"name":"w","window":{"height":18446744073709551615}})", Failure::None,
         with(L"w", [](AppConfig& c) { c.windowHeight = -1; })},
        {"1e300 is out of range", R"({"name":"w","window":{"width":1e300,"height":-1e300}})",
         Failure::None,
         with(L"w",
              [](AppConfig& c) {
                  c.windowWidth = INT32_MIN;
                  c.windowHeight = INT32_MIN;
              })},
        {"float just beyond 32 bits", R"({"name":"w","window":{"width":2147483648.0}})",
         Failure::None, with(L"w", [](AppConfig& c) { c.windowWidth = INT32_MIN; })},
        {"-0.0 gives 0", R"({"name":"w","window":{"width":-0.0,"height":0.99}})", Failure::None,
         with(L"w",
              [](AppConfig& c) {
                  c.windowWidth = 0;
                  c.windowHeight = 0;
              })},
        {"number too large to parse",
         R"({"name":"w","window":{"width":1e400}})",
         Failure::OutOfRange,
         {}},
        {"0 as resizable", R"({"name":"w","window":{"resizable":0}})", Failure::None,
         defaultsNamed(L"w")},
        {"string false as devtools", R"({"name":"w","settings":{"enable-devtools":"false"}})",
         Failure::None, defaultsNamed(L"w")},
        {"capital Fixed fails",
         R"({"name":"w","settings":{"distribution-mode":"Fixed"}})",
         Failure::InvalidMode,
         {}},
        {"empty mode fails",
         R"({"name":"w","settings":{"distribution-mode":""}})",
         Failure::InvalidMode,
         {}},
        {"mode with a blank fails",
         R"({"name":"w","settings":{"distribution-mode":"fixed "}})",
         Failure::InvalidMode,
         {}},
        {"number as mode is evergreen", R"({"name":"w","settings":{"distribution-mode":1}})",
         Failure::None, defaultsNamed(L"w")},
        {"mode at the root is ignored", R"({"name":"w","distribution-mode":"fixed"})",
         Failure::None, defaultsNamed(L"w")},
        {"devtools at the root is ignored", R"({"name":"w","enable-devtools":false})",
         Failure::None, defaultsNamed(L"w")},
        {"chromium-args inside settings is ignored",
         R"({"name":"w","settings":{"chromium-args":"--x"}})", Failure::None, defaultsNamed(L"w")},
        {"explicit evergreen", R"({"name":"w","settings":{"distribution-mode":"evergreen"}})",
         Failure::None, defaultsNamed(L"w")},
        {"several switches stay one string",
         R"({"name":"w","chromium-args":"--mute-audio  --disable-gpu"})", Failure::None,
         with(L"w", [](AppConfig& c) { c.chromiumArgs = L"--mute-audio  --disable-gpu"; })},
        {"byte-order mark accepted", "\xEF\xBB\xBF{\"name\":\"bom\"}", Failure::None,
         defaultsNamed(L"bom")},
        {"comment fails", "{\"name\":\"c\"} // note", Failure::Syntax, {}},
        {"block comment fails", "{/* c */\"name\":\"c\"}", Failure::Syntax, {}},
        {"text after the value fails", R"({"name":"c"} x)", Failure::Syntax, {}},
        {"two values fail", R"({"name":"c"}{"name":"d"})", Failure::Syntax, {}},
        {"trailing comma fails", R"({"name":"c",})", Failure::Syntax, {}},
        {"syntax error", R"({"name":)", Failure::Syntax, {}},
        {"white space only", " \r\n\t", Failure::Syntax, {}},
        {"bytes after a NUL are ignored", std::string("{\"name\":\"n\"}\0garbage", 20),
         Failure::None, defaultsNamed(L"n")},
        {"a NUL inside the value cuts it",
         std::string("{\"name\":\"n\0\"}", 13),
         Failure::Syntax,
         {}},
        {"UTF-16 with a byte-order mark fails",
         std::string("\xFF\xFE{\0\"\0n\0a\0m\0e\0\"\0:\0\"\0x\0\"\0}\0", 30),
         Failure::Syntax,
         {}},
        {"UTF-16 without a byte-order mark fails",
         std::string("{\0\"\0n\0\"\0}\0", 10),
         Failure::Syntax,
         {}},
        {"invalid UTF-8 in a string fails", "{\"name\":\"a\xFF\"}", Failure::Syntax, {}},
        {"overlong UTF-8 fails", "{\"name\":\"\xC0\xAF\"}", Failure::Syntax, {}},
        {"duplicate keys: the last one wins", R"({"name":"first","name":"second"})", Failure::None,
         defaultsNamed(L"second")},
        {"keys are case-sensitive", R"({"Name":"x","name":"y","Main":"z.html"})", Failure::None,
         defaultsNamed(L"y")},
        {"sections are case-sensitive", R"({"name":"y","Window":{"width":5}})", Failure::None,
         defaultsNamed(L"y")},
        {"non-ASCII title and messages",
         "{\"name\":\"\xE6\x97\xA5\",\"window\":{\"title\":\"Caf\xC3\xA9 \xF0\x9F\x8E\xAE\"},"
         "\"messages\":{\"downloading\":\"\xD0\x97\xD0\xB0\xD0\xB3\"}}",
         Failure::None,
         with(L"\x65E5",
              [](AppConfig& c) {
                  c.windowTitle = L"Caf\x00E9 \xD83C\xDFAE";
                  c.downloadingMessage = L"\x0417\x0430\x0433";
              })},
        {"escaped characters", R"({"name":"a\u00e9\ud83c\udfae","main":"sub/p\u0061ge.html"})",
         Failure::None,
         with(L"a\x00E9\xD83C\xDFAE", [](AppConfig& c) { c.mainPage = L"sub/page.html"; })},
        {"an escaped NUL stays in the name", R"({"name":"a\u0000b"})", Failure::None,
         defaultsNamed(std::wstring(L"a\0b", 3))},
        {"unknown members are ignored", R"({"name":"u","extra":{"deep":[1,2,3]},"x":null})",
         Failure::None, defaultsNamed(L"u")},
        {"deeply nested value elsewhere", "{\"name\":\"d\",\"x\":" + nested(5000) + "}",
         Failure::None, defaultsNamed(L"d")},
    };
    for (const Case& c : cases) {
        AppConfig config;
        Failure failure = parseFailure(c.text, config);
        EXPECT_EQ(failure, c.failure) << c.title;
        if (failure == Failure::None && c.failure == Failure::None) {
            expectSameConfig(config, c.expected, c.title);
        }
    }
}

// A record whose player settings all differ from their defaults, so a setting the loader forgot
// to fill shows.
AppConfig leftovers() {
    AppConfig c;
    c.browserKeys = c.statusBar = c.pinchZoom = c.swipeNavigation = c.autofill = false;
    c.contextMenu = false;
    c.crossOriginIsolation = true;
    return c;
}

// The settings a game turns off for its players. Each is read only inside "settings"; a value of
// another JSON type is as if it were missing. |set| puts a boolean into the setting's field.
TEST(ParseManifest, PlayerSettingsTakeBooleansOnly) {
    struct Setting {
        const char* key;
        void (*set)(AppConfig&, bool);
    };
    const Setting settings[] = {
        {"browser-keys", [](AppConfig& c, bool on) { c.browserKeys = on; }},
        {"context-menu", [](AppConfig& c, bool on) { c.contextMenu = on; }},
        {"status-bar", [](AppConfig& c, bool on) { c.statusBar = on; }},
        {"pinch-zoom", [](AppConfig& c, bool on) { c.pinchZoom = on; }},
        {"swipe-navigation", [](AppConfig& c, bool on) { c.swipeNavigation = on; }},
        {"autofill", [](AppConfig& c, bool on) { c.autofill = on; }},
        {"cross-origin-isolation", [](AppConfig& c, bool on) { c.crossOriginIsolation = on; }},
    };
    // The JSON value given, and the boolean it sets (none: the defaults stay).
    const std::pair<const char*, std::optional<bool>> values[] = {
        {"true", true}, {"false", false}, {"\"false\"", {}}, {"0", {}}, {"null", {}}, {"{}", {}},
    };
    for (const Setting& setting : settings) {
        const std::string key = setting.key;
        for (const auto& [json, set] : values) {
            const std::string title = key + ": " + json;
            AppConfig expected = defaultsNamed(L"g");
            if (set)
                setting.set(expected, *set);
            AppConfig config = leftovers();
            ASSERT_EQ(
                parseFailure(R"({"name":"g","settings":{")" + key + "\":" + json + "}}", config),
                Failure::None)
                << title;
            expectSameConfig(config, expected, title.c_str());
        }
        // Outside "settings" it is not read.
        AppConfig config = leftovers();
        ASSERT_EQ(parseFailure(R"({"name":"g",")" + key + "\":false}", config), Failure::None);
        expectSameConfig(config, defaultsNamed(L"g"), setting.key);
    }
}

// The folder of the page's saves: four names, anything else is the default with its reason kept
// for the log. The version is the manifest's own text, for the page to read.
TEST(ParseManifest, SavesFolderAndVersion) {
    const struct {
        const char* members;
        SavesFolder folder;
        const char* problem;
    } cases[] = {
        {R"("saves-folder":"saved-games")", SavesFolder::SavedGames, ""},
        {R"("saves-folder":"documents")", SavesFolder::Documents, ""},
        {R"("saves-folder":"roaming")", SavesFolder::Roaming, ""},
        {R"("saves-folder":"local")", SavesFolder::Local, ""},
        {R"("saves-folder":"Local")", SavesFolder::SavedGames, "unknown value \"Local\""},
        {R"("saves-folder":"")", SavesFolder::SavedGames, "unknown value \"\""},
        {R"("saves-folder":3)", SavesFolder::SavedGames, "not a string but number"},
        {R"("saves-folder":null)", SavesFolder::SavedGames, "not a string but null"},
        {R"("settings":{"saves-folder":"local"})", SavesFolder::SavedGames, "not given"},
    };
    for (const auto& c : cases) {
        AppConfig config = leftovers();
        config.savesFolder = SavesFolder::Local;
        config.savesFolderProblem = "left over";
        ASSERT_EQ(parseFailure(std::string(R"({"name":"g",)") + c.members + "}", config),
                  Failure::None);
        EXPECT_EQ(config.savesFolder, c.folder) << c.members;
        EXPECT_EQ(config.savesFolderProblem, c.problem) << c.members;
    }
    AppConfig config;
    ASSERT_EQ(parseFailure(R"({"name":"g","version":"1.2.0-beta.1"})", config), Failure::None);
    EXPECT_EQ(testing::narrow(config.version), "1.2.0-beta.1");
    ASSERT_EQ(parseFailure(R"({"name":"g","version":1.2})", config), Failure::None);
    EXPECT_EQ(testing::narrow(config.version), "");
}

// Steam is on only for "steam": {"app-id": N} with N a positive 32-bit integer; anything else
// leaves it off, with the reason for the log.
TEST(ParseManifest, SteamAppId) {
    const struct {
        const char* members;
        std::optional<uint32_t> appId;
        const char* problem;
    } cases[] = {
        {R"("steam":{"app-id":480})", 480, ""},
        {R"("steam":{"app-id":4294967295,"other":1})", 4294967295u, ""},
        {R"("other":1)", std::nullopt, ""},
        {R"("steam":{"app-id":0})", std::nullopt,
         R"("app-id" in "steam" is not a positive integer up to 4294967295: 0)"},
        {R"("steam":{"app-id":-480})", std::nullopt,
         R"("app-id" in "steam" is not a positive integer up to 4294967295: -480)"},
        {R"("steam":{"app-id":480.5})", std::nullopt,
         R"("app-id" in "steam" is not a positive integer up to 4294967295: 480.5)"},
        {R"("steam":{"app-id":"480"})", std::nullopt,
         R"("app-id" in "steam" is not a positive integer up to 4294967295: "480")"},
        {R"("steam":{"app-id":4294967296})", std::nullopt,
         R"("app-id" in "steam" is not a positive integer up to 4294967295: 4294967296)"},
        {R"("steam":{"appid":480})", std::nullopt, R"("steam" has no "app-id")"},
        {R"("steam":480)", std::nullopt, R"("steam" is not an object but number)"},
        {R"("steam":null)", std::nullopt, R"("steam" is not an object but null)"},
        {R"("settings":{"steam":{"app-id":480}})", std::nullopt, ""},
    };
    for (const auto& c : cases) {
        AppConfig config = leftovers();
        config.steamAppId = 7;
        config.steamProblem = "left over";
        ASSERT_EQ(parseFailure(std::string(R"({"name":"g",)") + c.members + "}", config),
                  Failure::None);
        EXPECT_EQ(config.steamAppId, c.appId) << c.members;
        EXPECT_EQ(config.steamProblem, c.problem) << c.members;
    }
}

// "window"/"remember", "single-instance" at the root and "gpu" at the root: a value of another
// type, or a "gpu" text the shell does not know, is as if it were missing; none fails the manifest.
TEST(ParseManifest, PlayerComfortsTakeTheirTypesAndPlaces) {
    struct Case {
        const char* members;  // inside the root object, after "name"
        bool remember;
        bool singleInstance;
        GpuPreference gpu;
    } cases[] = {
        {"", false, false, GpuPreference::Default},
        {R"("window":{"remember":true},"single-instance":true,"gpu":"high-performance")", true,
         true, GpuPreference::HighPerformance},
        {R"("gpu":"low-power")", false, false, GpuPreference::LowPower},
        {R"("gpu":"default")", false, false, GpuPreference::Default},
        {R"("gpu":"High-Performance")", false, false, GpuPreference::Default},
        {R"("gpu":"high-performance ")", false, false, GpuPreference::Default},
        {R"("gpu":"discrete")", false, false, GpuPreference::Default},
        {R"("gpu":2)", false, false, GpuPreference::Default},
        {R"("gpu":null)", false, false, GpuPreference::Default},
        {R"("window":{"remember":"true"},"single-instance":1)", false, false,
         GpuPreference::Default},
        {R"("window":{"remember":false},"single-instance":false)", false, false,
         GpuPreference::Default},
        // Each in its own place only.
        {R"("remember":true,"window":{"single-instance":true,"gpu":"low-power"})", false, false,
         GpuPreference::Default},
        {R"("settings":{"single-instance":true,"gpu":"low-power","remember":true})", false, false,
         GpuPreference::Default},
    };
    for (const Case& c : cases) {
        AppConfig expected = defaultsNamed(L"g");
        expected.rememberWindow = c.remember;
        expected.singleInstance = c.singleInstance;
        expected.gpu = c.gpu;
        AppConfig config = leftovers();
        config.rememberWindow = config.singleInstance = true;
        config.gpu = GpuPreference::LowPower;
        const std::string text =
            std::string(R"({"name":"g")") + (*c.members ? "," : "") + c.members + "}";
        ASSERT_EQ(parseFailure(text, config), Failure::None) << text;
        expectSameConfig(config, expected, text.c_str());
    }
}

TEST(ParseManifest, LeavesTheIconHandleAlone) {
    AppConfig config;
    HICON marker = reinterpret_cast<HICON>(static_cast<intptr_t>(0x1234));
    config.windowIcon = marker;
    ManifestLoader::parseManifest(R"({"name":"i","window":{"icon":"a.png"}})", config);
    EXPECT_EQ(config.windowIcon, marker);
    EXPECT_EQ(config.windowIconPath, L"a.png");
}

TEST(ParseManifest, DeepNestingFailsOrLoadsWithoutCrashing) {
    // A hostile manifest nested far deeper than any real one: the parser is not recursive, so it
    // either loads or fails with an exception, never overflowing the stack.
    std::string text = "{\"name\":\"deep\",\"x\":" + nested(200000) + "}";
    AppConfig config;
    EXPECT_EQ(parseFailure(text, config), Failure::None);
    EXPECT_EQ(config.name, L"deep");
    std::string unbalanced = "{\"name\":\"deep\",\"x\":" + std::string(200000, '[') + "}";
    EXPECT_EQ(parseFailure(unbalanced, config), Failure::Syntax);
}

}  // namespace
}  // namespace quorvane
