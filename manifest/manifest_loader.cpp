#include "manifest/manifest_loader.h"

#include <nlohmann/json.hpp>

#include "manifest/json_read.h"

namespace quorvane {
namespace {

const wchar_t kDefaultInstallMessage[] =
    L"This app requires the Microsoft Edge WebView2 runtime. It will be downloaded and installed "
    L"for you now.";
const wchar_t kDefaultInstallFailedMessage[] =
    L"Failed to install the Microsoft Edge WebView2 runtime. Check that you have permission to "
    L"install it, and that your Internet connection is working. Run the app again to try again.";

// A section that is absent reads as null, which is not an object, so each of its members takes
// its default.
const nlohmann::json& section(const nlohmann::json& root, const char* key) {
    static const nlohmann::json none;
    if (!root.is_object())
        return none;
    auto it = root.find(key);
    return it == root.end() ? none : *it;
}

struct SavesFolderName {
    const char* name;
    SavesFolder folder;
};
constexpr SavesFolderName kSavesFolders[] = {{"saved-games", SavesFolder::SavedGames},
                                             {"documents", SavesFolder::Documents},
                                             {"roaming", SavesFolder::Roaming},
                                             {"local", SavesFolder::Local}};

// An absent, mistyped or unknown "saves-folder" falls back to Saved Games; the reason is kept for
// the log, since a maker who misspelt it would otherwise look for the saves in the wrong place.
void readSavesFolder(const nlohmann::json& root, AppConfig& config) {
    config.savesFolder = SavesFolder::SavedGames;
    config.savesFolderProblem.clear();
    const auto it = root.is_object() ? root.find("saves-folder") : root.end();
    if (!root.is_object() || it == root.end()) {
        config.savesFolderProblem = "not given";
        return;
    }
    if (!it->is_string()) {
        config.savesFolderProblem = std::string("not a string but ") + it->type_name();
        return;
    }
    const std::string& given = it->get_ref<const std::string&>();
    for (const SavesFolderName& known : kSavesFolders) {
        if (given == known.name) {
            config.savesFolder = known.folder;
            return;
        }
    }
    config.savesFolderProblem = "unknown value " + it->dump(-1, ' ', false,
                                                            nlohmann::json::error_handler_t::replace);
}

// "steam": {"app-id": N}, N a positive integer that fits Steam's 32-bit app id, turns Steam on.
// Anything else leaves it off (no library is loaded), with the reason for the log.
void readSteam(const nlohmann::json& root, AppConfig& config) {
    config.steamAppId.reset();
    config.steamProblem.clear();
    const auto it = root.is_object() ? root.find("steam") : root.end();
    if (!root.is_object() || it == root.end())
        return;
    if (!it->is_object()) {
        config.steamProblem = std::string("\"steam\" is not an object but ") + it->type_name();
        return;
    }
    const auto id = it->find("app-id");
    if (id == it->end()) {
        config.steamProblem = "\"steam\" has no \"app-id\"";
        return;
    }
    if (id->is_number_unsigned()) {
        const uint64_t value = id->get<uint64_t>();
        if (value > 0 && value <= UINT32_MAX) {
            config.steamAppId = static_cast<uint32_t>(value);
            return;
        }
    }
    config.steamProblem = "\"app-id\" in \"steam\" is not a positive integer up to 4294967295: " +
                          id->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// "window"/"remember", "single-instance" and "gpu": none of them ever fails a manifest.
void readPlayerComforts(const nlohmann::json& root, const nlohmann::json& window,
                        AppConfig& config) {
    config.rememberWindow = readBoolOr(window, "remember", false);
    config.singleInstance = readBoolOr(root, "single-instance", false);
    const std::wstring gpu = readStringOr(root, "gpu", L"default");
    config.gpu = gpu == L"high-performance" ? GpuPreference::HighPerformance
                 : gpu == L"low-power"      ? GpuPreference::LowPower
                                            : GpuPreference::Default;
}

}  // namespace

void ManifestLoader::parseManifest(const char* text, AppConfig& config) {
    // Strict: no callback, exceptions on, no comments, nothing but white space after the value.
    const nlohmann::json root = nlohmann::json::parse(text, nullptr, true, false);
    const nlohmann::json& window = section(root, "window");
    const nlohmann::json& settings = section(root, "settings");
    const nlohmann::json& messages = section(root, "messages");

    config.name = readStringOr(root, "name", L"");
    if (config.name.empty())
        throw L"invalid name";
    config.version = readStringOr(root, "version", L"");
    config.mainPage = readStringOr(root, "main", L"index.html");
    config.windowTitle = readStringOr(window, "title", L"Windows Quorvane");
    config.windowWidth = readIntOr(window, "width", 1024);
    config.windowHeight = readIntOr(window, "height", 768);
    config.windowIconPath = readStringOr(window, "icon", L"");
    config.resizable = readBoolOr(window, "resizable", true);
    config.chromiumArgs = readStringOr(root, "chromium-args", L"");

    std::wstring mode = readStringOr(settings, "distribution-mode", L"evergreen");
    if (mode == L"evergreen") {
        config.distributionMode = DistributionMode::Evergreen;
    } else if (mode == L"fixed") {
        config.distributionMode = DistributionMode::Fixed;
    } else {
        throw L"invalid distribution mode";
    }
    config.enableDevtools = readBoolOr(settings, "enable-devtools", true);
    config.browserKeys = readBool(settings, "browser-keys");
    config.contextMenu = readBoolOr(settings, "context-menu", true);
    config.statusBar = readBool(settings, "status-bar");
    config.pinchZoom = readBool(settings, "pinch-zoom");
    config.swipeNavigation = readBool(settings, "swipe-navigation");
    config.autofill = readBool(settings, "autofill");
    config.crossOriginIsolation = readBoolOr(settings, "cross-origin-isolation", false);
    readSavesFolder(root, config);
    readPlayerComforts(root, window, config);
    readSteam(root, config);
    config.installMessage = readStringOr(messages, "install-webview2", kDefaultInstallMessage);
    config.downloadingMessage = readStringOr(messages, "downloading", L"Downloading...");
    config.installFailedMessage =
        readStringOr(messages, "install-webview2-failed", kDefaultInstallFailedMessage);
}

}  // namespace quorvane
