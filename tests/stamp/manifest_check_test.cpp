// The packager's warnings about a manifest the shell accepts but reads otherwise than meant.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manifest/app_config.h"
#include "manifest/manifest_loader.h"
#include "tools/stamp/manifest_check.h"

namespace quorvane::stamp {
namespace {

std::vector<std::string> warningsFor(const std::string& text) {
    AppConfig config;
    ManifestLoader::parseManifest(text.c_str(), config);
    return manifestWarnings(text, config);
}

TEST(ManifestWarnings, NameEachUnknownMemberAndWrongTypeWithTheValueUsed) {
    using Lines = std::vector<std::string>;
    const struct {
        const char* members;  // after "name"
        Lines lines;
    } cases[] = {
        // Every member the shell knows, of its type: nothing to say.
        {R"("version": "1.0", "description": "d", "company": "c", "copyright": "r",
            "executable-icon": "i.png", "main": "a.html", "chromium-args": "--x",
            "saves-folder": "roaming", "single-instance": true, "gpu": "low-power",
            "window": {"title": "t", "width": 800.5, "height": 600, "icon": "i.png",
                       "resizable": false, "remember": true},
            "settings": {"distribution-mode": "evergreen", "enable-devtools": false,
                         "browser-keys": false, "context-menu": false, "status-bar": false,
                         "pinch-zoom": false, "swipe-navigation": false, "autofill": false,
                         "cross-origin-isolation": true},
            "messages": {"install-webview2": "i", "downloading": "d",
                         "install-webview2-failed": "f"},
            "steam": {"app-id": 480})",
         {}},
        {R"("settings": {"enable-devtools": "false", "browser-key": false})",
         {R"(package.json: "settings.enable-devtools" is a string, not a boolean: true is used)",
          R"(package.json: "settings.browser-key" is not a member the shell knows (ignored))"}},
        // In the manifest's order, with the value the shell uses instead.
        {R"("mian": "x.html", "main": 7, "chromium-args": ["--a"],
            "window": {"title": null, "width": "800", "height": true, "icon": 1,
                       "resizable": "no", "remember": 1, "Title": "t"})",
         {R"(package.json: "mian" is not a member the shell knows (ignored))",
          R"(package.json: "main" is a number, not a string: "index.html" is used)",
          R"(package.json: "chromium-args" is an array, not a string: "" is used)",
          R"(package.json: "window.title" is null, not a string: "Windows Quorvane" is used)",
          R"(package.json: "window.width" is a string, not a number: 1024 is used)",
          R"(package.json: "window.height" is a boolean, not a number: 768 is used)",
          R"(package.json: "window.icon" is a number, not a string: no icon is used (the shell's own))",
          R"(package.json: "window.resizable" is a string, not a boolean: true is used)",
          R"(package.json: "window.remember" is a number, not a boolean: false is used)",
          R"(package.json: "window.Title" is not a member the shell knows (ignored))"}},
        {R"("settings": {"distribution-mode": 1, "context-menu": 0, "browser-keys": "off",
                         "status-bar": {}, "pinch-zoom": null, "swipe-navigation": [],
                         "autofill": "yes", "cross-origin-isolation": "true"})",
         {R"(package.json: "settings.distribution-mode" is a number, not a string: "evergreen" is used)",
          R"(package.json: "settings.context-menu" is a number, not a boolean: true is used)",
          R"(package.json: "settings.browser-keys" is a string, not a boolean: the browser's own default is used (on))",
          R"(package.json: "settings.status-bar" is an object, not a boolean: the browser's own default is used (on))",
          R"(package.json: "settings.pinch-zoom" is null, not a boolean: the browser's own default is used (on))",
          R"(package.json: "settings.swipe-navigation" is an array, not a boolean: the browser's own default is used (on))",
          R"(package.json: "settings.autofill" is a string, not a boolean: the browser's own default is used (form suggestions on, password saving off))",
          R"(package.json: "settings.cross-origin-isolation" is a string, not a boolean: false is used)"}},
        {R"("messages": {"downloading": 5, "install-webview2": "x", "installing": "y"})",
         {R"(package.json: "messages.downloading" is a number, not a string: "Downloading..." is used)",
          R"(package.json: "messages.installing" is not a member the shell knows (ignored))"}},
        // Members with a few values, and sections of the wrong type.
        {R"("gpu": "fast", "saves-folder": "Documents", "single-instance": "true",
            "steam": {"app-id": 0}, "window": "big", "settings": [], "messages": null)",
         {R"(package.json: "gpu" is "fast", not "high-performance", "low-power" or "default": "default" is used)",
          R"(package.json: "saves-folder" is "Documents", not "saved-games", "documents", "roaming" or "local": "saved-games" is used)",
          R"(package.json: "single-instance" is a string, not a boolean: false is used)",
          R"(package.json: "steam.app-id" is 0, not a positive integer: Steam stays off)",
          R"(package.json: "window" is a string, not an object: each of its members takes its default)",
          R"(package.json: "settings" is an array, not an object: each of its members takes its default)",
          R"(package.json: "messages" is null, not an object: each of its members takes its default)"}},
        {R"("steam": {"app-id": 480.5, "appid": 480}, "gpu": 1)",
         {R"(package.json: "steam.app-id" is 480.5, not a positive integer: Steam stays off)",
          R"(package.json: "steam.appid" is not a member the shell knows (ignored))",
          R"(package.json: "gpu" is a number, not a string: "default" is used)"}},
        {R"("steam": "480", "window.title": "dotted", "caf\u00e9": 1)",
         {R"(package.json: "steam" is a string, not an object: Steam stays off)",
          R"(package.json: "window.title" is not a member the shell knows (ignored))",
          "package.json: \"caf\u00e9\" is not a member the shell knows (ignored)"}},
    };
    for (const auto& c : cases) {
        const std::string text = std::string(R"({"name": "Star Hopper", )") + c.members + "}";
        EXPECT_EQ(warningsFor(text), c.lines) << c.members;
    }
}

}  // namespace
}  // namespace quorvane::stamp
