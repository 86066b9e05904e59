#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/e2e_support.h"
#include "tests/support/files.h"
#include "tests/support/tiny_png.h"

namespace quorvane::testing {
namespace {

struct StartupPath {
    const char* name;
    const char* manifest;
    bool loaderBesideExe;
    const char* members;  // scenario members
    DWORD exitCode;
    size_t boxes;
};

class PlantedLibrary : public ::testing::TestWithParam<const wchar_t*> {};

// A DLL named like a system library beside the executable is never loaded, on every start-up
// path that needs one. Wine searches the executable's folder for a library set native-first, as
// Windows does for every library that is not a known DLL.
TEST_P(PlantedLibrary, IsNeverLoadedFromTheApplicationFolder) {
    const std::wstring library = GetParam();
    const StartupPath paths[] = {
        // The installer: progress window (comctl32) and download (urlmon); it fails under the
        // network guard, so two boxes and exit code 1.
        {"evergreen without runtime", R"({"name":"planted-evergreen"})", true,
         R"("runtime":{"present":false})", 1, 2},
        // The built-in loader reads the fixed runtime's version (version.dll).
        {"fixed runtime", R"({"name":"planted-fixed","settings":{"distribution-mode":"fixed"}})",
         false, "", 0, 0},
        // The window icon is decoded by GDI+.
        {"window icon from a PNG", R"({"name":"planted-icon","window":{"icon":"icon.png"}})", true,
         "", 0, 0},
    };
    for (const StartupPath& path : paths) {
        SCOPED_TRACE(path.name);
        ShellApp app(path.manifest, path.loaderBesideExe);
        if (!path.loaderBesideExe)
            app.folder.placeFixedRuntime();
        app.folder.writeFile(L"icon.png", tinyPng());
        const std::wstring planted = app.folder / (library + L".dll");
        CopyFileW(buildOutputPath(QV_PLANTED_LIBRARY).c_str(), planted.c_str(), FALSE);
        ASSERT_TRUE(fileExists(planted));

        RunResult run;
        {
            // Native-first: Wine then searches the executable's folder, as Windows does for
            // every library that is not a known DLL.
            ScopedDllOverride nativeFirst(L"Quorvane.exe", library, L"native,builtin");
            run = runShell(app, path.exitCode == 0 ? R"([{"do":"close"}])" : "[]", path.members);
        }
        // Wine's own user32 imports version.dll, so under Wine a native-first version.dll beside
        // any program is loaded before the program's first line runs. Windows' user32 does not
        // import it (and is a known DLL, whose imports come from System32): there only the
        // outcome below shows that the shell's own loads kept to System32.
        if (library != L"version") {
            EXPECT_FALSE(fileExists(planted + L".loaded"));
        }
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, path.exitCode);
        EXPECT_EQ(run.messageBoxes.size(), path.boxes);
    }
}

INSTANTIATE_TEST_SUITE_P(SystemLibraries, PlantedLibrary,
                         ::testing::Values(L"version", L"urlmon", L"comctl32", L"gdiplus"));

}  // namespace
}  // namespace quorvane::testing
