// The packager's rules that a whole run cannot pin down: the exact refusal of each name Windows
// cannot hold, the executable's time, and a stage folder that holds its zip already.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiny_png.h"
#include "tools/pack/file_tree.h"
#include "tools/pack/long_path.h"
#include "tools/pack/pack_errors.h"
#include "tools/pack/package_job.h"
#include "tools/pack/windows_names.h"

#ifndef QV_SHELL_EXE
#error "QV_SHELL_EXE must name the built shell executable"
#endif

namespace quorvane::pack {
namespace {

using testing::TempDir;

TEST(PackNames, EachNameWindowsCannotHoldIsRefusedWithItsReason) {
    const struct {
        std::wstring name;
        const char* why;
    } cases[] = {
        {L"index.html", ""},
        {L"\u00E9t\u00E9 \u661F.ogg", ""},
        {L"del\x7F.js", ""},  // DEL is no control character to Windows
        {L"unit\x1F.js", "a control character is not allowed in names"},
        {L"\x01", "a control character is not allowed in names"},
        {L"tab\there", "a control character is not allowed in names"},
        {L"a:b.png", "\":\" is not allowed in names"},
        {L"what?", "\"?\" is not allowed in names"},
        {L"a|b", "\"|\" is not allowed in names"},
        {L"Game.", "it ends in a dot"},
        {L"blank ", "it ends in a blank"},
        {L"aux.js", "aux is a device name"},
        {L"COM1 .txt", "COM1 is a device name"},
        {L"", "an empty name"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(unholdableName(c.name), c.why) << testing::narrow(c.name);
}

FILETIME fileTime(int days) {
    // Whole days after 2024-01-01 00:00:00 UTC.
    const ULONGLONG ticks = 133485408000000000ULL + static_cast<ULONGLONG>(days) * 864000000000ULL;
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// The executable carries the newest time of what it is made from (the shell, the manifest, the
// icon), so that the same inputs give the same package, and a new icon a newer executable.
TEST(StagePackage, TheExecutableTakesTheNewestTimeOfItsInputs) {
    const struct {
        const char* newest;
        int shell, manifest, icon;  // days
    } cases[] = {
        {"the shell", 30, 10, 20},
        {"the manifest", 10, 30, 20},
        {"the icon", 20, 10, 30},
    };
    for (const auto& c : cases) {
        TempDir temp;
        const std::wstring shell = temp / L"Quorvane.exe", app = temp / L"app";
        ASSERT_TRUE(CopyFileW(QV_SHELL_EXE, shell.c_str(), FALSE));
        testing::writeFile(app + L"\\package.json",
                           R"({"name": "Star Hopper", "window": {"icon": "icon.png"}})");
        testing::writeFile(app + L"\\icon.png", testing::tinyPng());
        testing::writeFile(app + L"\\www\\index.html", "<!DOCTYPE html>");
        setWriteTime(shell, fileTime(c.shell));
        setWriteTime(app + L"\\package.json", fileTime(c.manifest));
        setWriteTime(app + L"\\icon.png", fileTime(c.icon));
        ASSERT_TRUE(CreateDirectoryW((temp / L"stage").c_str(), nullptr));

        StageRequest request;
        request.appFolder = extendedPath(app);
        request.appShown = "app";
        request.shell = extendedPath(shell);
        request.stage = extendedPath(temp / L"stage");
        stagePackage(request);
        const FILETIME written = writeTimeOf(temp / L"stage\\Star Hopper\\Star Hopper.exe");
        const FILETIME expected = fileTime(30);
        EXPECT_EQ(CompareFileTime(&written, &expected), 0) << "newest: " << c.newest;
    }
}

// The Steam library travels with a game whose manifest turns Steam on, and only then; a package
// that needs it and has none is refused; steam_appid.txt never ships.
TEST(StagePackage, TheSteamLibraryOnlyWhenSteamIsOn) {
    const struct {
        const char* steam;  // the "steam" member, or none
        bool library, appIdFile;
        const char* refusal;  // "": packaged
        bool shipped;
        std::vector<std::string> warnings;
    } cases[] = {
        {R"({"app-id": 480})", true, false, "", true, {}},
        {R"({"app-id": 480})",
         true,
         true,
         "",
         true,
         {"steam_appid.txt: left out of the package (it is for development only)"}},
        {R"({"app-id": 480})",
         false,
         true,
         "steam_api64.dll: not found, but \"steam\" in package.json turns Steam on: copy it "
         "beside package.json from the Steamworks SDK (redistributable_bin/win64)",
         false,
         {"steam_appid.txt: left out of the package (it is for development only)"}},
        {nullptr, true, false, "", false, {}},
        {nullptr,
         false,
         true,
         "",
         false,
         {"steam_appid.txt: left out of the package (it is for development only)"}},
        {R"({"app-id": "480"})",
         true,
         false,
         "",
         false,
         {"package.json: \"steam.app-id\" is a string, not a positive integer: Steam stays off"}},
    };
    for (const auto& c : cases) {
        const std::string label = std::string(c.steam ? c.steam : "no steam") +
                                  (c.library ? " library" : "") + (c.appIdFile ? " appid" : "");
        TempDir temp;
        const std::wstring app = temp / L"app";
        testing::writeFile(app + L"\\package.json",
                           std::string(R"({"name": "Spacewar")") +
                               (c.steam ? std::string(R"(, "steam": )") + c.steam : "") + "}");
        testing::writeFile(app + L"\\www\\index.html", "<!DOCTYPE html>");
        if (c.library)
            testing::writeFile(app + L"\\steam_api64.dll", "MZ the maker's library");
        if (c.appIdFile)
            testing::writeFile(app + L"\\steam_appid.txt", "480");
        ASSERT_TRUE(CreateDirectoryW((temp / L"stage").c_str(), nullptr));

        StageRequest request;
        request.appFolder = extendedPath(app);
        request.appShown = "app";
        request.shell = extendedPath(QV_SHELL_EXE);
        request.stage = extendedPath(temp / L"stage");
        std::vector<std::string> warnings;
        request.warn = [&](const std::string& line) { warnings.push_back(line); };
        std::string refusal;
        try {
            stagePackage(request);
        } catch (const stamp::AppFolderError& error) {
            refusal = error.what();
        }
        EXPECT_EQ(refusal, c.refusal) << label;
        EXPECT_EQ(warnings, c.warnings) << label;
        const std::wstring package = temp / L"stage\\Spacewar";
        EXPECT_EQ(testing::fileExists(package + L"\\Spacewar.exe"), !*c.refusal) << label;
        EXPECT_EQ(testing::fileExists(package + L"\\steam_api64.dll"), c.shipped) << label;
        if (c.shipped) {
            EXPECT_EQ(testing::readFile(package + L"\\steam_api64.dll"), "MZ the maker's library");
        }
        EXPECT_FALSE(testing::fileExists(package + L"\\steam_appid.txt")) << label;
    }
}

// A stage that holds the zip already was finished before, or is not the packager's: refused as
// a wrong command line, with nothing changed there or in the output folder.
TEST(FinishPackage, RefusesAStageFolderThatHoldsItsZipAlready) {
    TempDir temp;
    const std::wstring stage = extendedPath(temp / L"stage"), out = extendedPath(temp / L"out");
    testing::writeFile(temp / L"stage\\Game\\www\\index.html", "new");
    testing::writeFile(temp / L"stage\\Game.zip", "a zip of another run");
    testing::writeFile(temp / L"out\\Game\\www\\index.html", "previous");
    try {
        finishPackage(stage, out, std::nullopt, L"");
        ADD_FAILURE() << "finished a stage that holds its zip";
    } catch (const UsageError& error) {
        EXPECT_EQ(std::string(error.what()), shownPath(stage) + "\\Game.zip is there already");
    }
    EXPECT_EQ(testing::readFile(temp / L"stage\\Game.zip"), "a zip of another run");
    EXPECT_EQ(testing::readFile(temp / L"stage\\Game\\www\\index.html"), "new");
    EXPECT_EQ(testing::readFile(temp / L"out\\Game\\www\\index.html"), "previous");
    EXPECT_FALSE(testing::fileExists(temp / L"out\\Game.zip"));
}

}  // namespace
}  // namespace quorvane::pack
