#include "tools/stamp/app_identity.h"

#include <windows.h>

#include <cstdio>

#include <nlohmann/json.hpp>

#include "manifest/app_config.h"
#include "manifest/manifest_loader.h"
#include "platform/ascii_case.h"
#include "platform/utf8.h"
#include "tools/stamp/file_name.h"
#include "tools/stamp/manifest_check.h"
#include "tools/stamp/whole_file.h"

namespace quorvane::stamp {

namespace {

[[noreturn]] void fail(const std::string& message) {
    throw AppFolderError(message);
}

std::string readManifest(const std::wstring& path) {
    std::string text;
    const DWORD error = readWholeFile(path, text);
    if (error != ERROR_SUCCESS) {
        fail(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                 ? "package.json: not found (every app needs its manifest)"
                 : "package.json: cannot be read (error " + std::to_string(error) + ")");
    }
    // The shell reads the text up to its first NUL byte.
    text.resize(std::min(text.size(), text.find('\0')));
    if (text.empty())
        fail("package.json: is empty");
    return text;
}

// The shell's own rules first, so that what packages is what runs.
AppConfig shellConfig(const std::string& text) {
    AppConfig config;
    try {
        ManifestLoader::parseManifest(text.c_str(), config);
    } catch (const nlohmann::json::exception& error) {
        std::string why = error.what();
        why.erase(0, why.find("] ") == std::string::npos ? 0 : why.find("] ") + 2);
        fail("package.json: not valid JSON (" + why + ")");
    } catch (const wchar_t* rule) {
        if (std::wstring_view(rule) == L"invalid name")
            fail("package.json: \"name\" must be a non-empty string");
        fail(
            "package.json: \"settings\" / \"distribution-mode\" must be \"evergreen\" or "
            "\"fixed\"");
    }
    return config;
}

// A packaging member: absent is fine, any other type than a string is a mistake worth reporting.
std::string optionalString(const nlohmann::json& root, const char* key) {
    auto it = root.find(key);
    if (it == root.end())
        return {};
    if (!it->is_string())
        fail(std::string("package.json: \"") + key + "\" must be a string");
    return it->get<std::string>();
}

// The executable's and the installer's properties show each text on one line: a line break or
// another control character in one is refused rather than shown as a box or cut.
void checkOneLine(const std::wstring& text, const char* key) {
    for (wchar_t unit : text) {
        if (unit >= 0x20)
            continue;
        char code[8];
        snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(unit));
        fail(std::string("package.json: \"") + key + "\" holds " +
             (unit == L'\n' || unit == L'\r' ? std::string("a line break")
                                             : "a control character (" + std::string(code) + ")") +
             ", which the executable's properties cannot show: write it on one line");
    }
}

std::wstring windowsPath(std::wstring path) {
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return path;
}

DWORD attributesOf(const std::wstring& path) {
    return GetFileAttributesW(path.c_str());
}

bool isFolder(const std::wstring& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isFile(const std::wstring& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

AppIdentity readAppIdentity(const std::wstring& appFolder, const std::wstring& fileName,
                            const std::function<void(const std::string&)>& warn) {
    const std::string text = readManifest(appFolder + L"\\package.json");
    const AppConfig config = shellConfig(text);
    for (const std::string& line : manifestWarnings(text, config))
        warn(line);
    const nlohmann::json root = nlohmann::json::parse(text);

    AppIdentity identity;
    identity.fileName = fileName.empty() ? safeFileName(config.name) : fileName;
    identity.fixedRuntime = config.distributionMode == DistributionMode::Fixed;

    const std::string version = optionalString(root, "version");
    if (!version.empty()) {
        std::optional<AppVersion> parsed = parseAppVersion(version);
        if (!parsed) {
            fail("package.json: \"version\" is not a version: \"" + version +
                 "\" (expected numbers such as 1.2.3, or 1.2.3-beta.1; each at most 65535)");
        }
        identity.version = *parsed;
    }
    const std::wstring description = utf8ToWide(optionalString(root, "description"));
    const std::wstring company = utf8ToWide(optionalString(root, "company"));
    const std::wstring copyright = utf8ToWide(optionalString(root, "copyright"));
    checkOneLine(config.name, "name");
    checkOneLine(description, "description");
    checkOneLine(company, "company");
    checkOneLine(copyright, "copyright");
    const std::wstring productVersion = utf8ToWide(version);
    std::wstring fileVersion;
    if (!version.empty()) {
        const WORD* p = identity.version.parts;
        fileVersion = std::to_wstring(p[0]) + L"." + std::to_wstring(p[1]) + L"." +
                      std::to_wstring(p[2]) + L"." + std::to_wstring(p[3]);
    }
    identity.strings = {
        {L"CompanyName", company},
        {L"FileDescription", description.empty() ? config.name : description},
        {L"FileVersion", fileVersion},
        {L"LegalCopyright", copyright},
        {L"OriginalFilename", identity.fileName + L".exe"},
        {L"ProductName", config.name},
        {L"ProductVersion", productVersion},
    };

    // The shell loads the window icon from its own folder at run time: it must be a file inside
    // the app folder, which the package then carries.
    const std::wstring windowIcon = windowsPath(config.windowIconPath);
    if (!windowIcon.empty()) {
        const std::string shown = wideToUtf8(config.windowIconPath);
        const std::wstring inside = L"\\" + windowIcon + L"\\";
        if (windowIcon.find(L':') != std::wstring::npos || windowIcon.front() == L'\\' ||
            inside.find(L"\\..\\") != std::wstring::npos) {
            fail(shown +
                 ": lies outside the app folder, where the packaged app cannot find it (named "
                 "by \"window\" / \"icon\" in package.json)");
        }
        if (!isFile(appFolder + L"\\" + windowIcon))
            fail(shown + ": not found (named by \"window\" / \"icon\" in package.json)");
        if (!equalsIgnoringAsciiCase(std::wstring_view(windowIcon).substr(0, 4), L"www\\")) {
            identity.windowIconOutsideWww = wideToUtf8(windowIcon);
            for (char& c : identity.windowIconOutsideWww)
                c = c == '\\' ? '/' : c;
        }
    }

    std::string icon = optionalString(root, "executable-icon");
    identity.iconMember = "\"executable-icon\"";
    if (icon.empty()) {
        icon = wideToUtf8(config.windowIconPath);
        identity.iconMember = "\"window\" / \"icon\"";
    }
    if (!icon.empty()) {
        identity.iconRelative = icon;
        identity.iconPath = appFolder + L"\\" + windowsPath(utf8ToWide(icon));
        if (!isFile(identity.iconPath))
            fail(icon + ": not found (named by " + identity.iconMember + " in package.json)");
    }

    if (!isFolder(appFolder + L"\\www"))
        fail("www: no such folder (the app's pages, scripts and media belong there)");
    std::wstring mainPage = config.mainPage;
    mainPage.resize(std::min(mainPage.size(), mainPage.find_first_of(L"?#")));
    if (!isFile(appFolder + L"\\www\\" + windowsPath(mainPage)))
        fail("www/" + wideToUtf8(mainPage) +
             ": not found; it is the app's main page (\"main\" in package.json, index.html by "
             "default)");
    if (identity.fixedRuntime && !isFolder(appFolder + L"\\webview2")) {
        fail(
            "webview2: no such folder, but \"settings\" / \"distribution-mode\" is \"fixed\": ship "
            "the "
            "WebView2 runtime there");
    }
    // The shell loads the Steam library from its own folder only; steam_appid.txt makes the library
    // believe Steam started the game, which a player's copy must never do (Steam passes the id).
    if (isFile(appFolder + L"\\steam_appid.txt"))
        warn("steam_appid.txt: left out of the package (it is for development only)");
    if (config.steamAppId) {
        identity.steam = true;
        if (!isFile(appFolder + L"\\steam_api64.dll")) {
            fail(
                "steam_api64.dll: not found, but \"steam\" in package.json turns Steam on: copy it "
                "beside package.json from the Steamworks SDK (redistributable_bin/win64)");
        }
    }
    return identity;
}

}  // namespace quorvane::stamp
