// Stamps a copy of the built shell and reads it back the way Windows does: the icon through
// LoadImage, the version through the version API, the checksum through imagehlp; then runs it.
#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>
#include <imagehlp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/utf8.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tools/stamp/file_name.h"
#include "tools/stamp/icon_images.h"
#include "tools/stamp/resource_stamp.h"
#include "tools/stamp/version_info.h"

namespace quorvane::stamp {
namespace {

using testing::TempDir;

TEST(SafeFileName, KeepsWhatWindowsAcceptsAndMendsTheRest) {
    const struct {
        const wchar_t* name;
        const wchar_t* safe;
    } cases[] = {
        {L"Star Hopper", L"Star Hopper"},
        {L"\u00C9toile \u661F", L"\u00C9toile \u661F"},
        {L"Sky: the \"Puzzle\"?", L"Sky_ the _Puzzle__"},
        {L"a/b\\c|d*e<f>g", L"a_b_c_d_e_f_g"},
        {L"Tab\there\x1F", L"Tab_here_"},
        {L"  Game...  ", L"Game"},
        {L"CON", L"CON_"},
        {L"nul.game", L"nul_.game"},
        {L"com1", L"com1_"},
        {L"LPT9 .", L"LPT9_"},
        {L"COM\u00B9", L"COM\u00B9_"},
        {L"COM10", L"COM10"},
        {L"clock$", L"clock$_"},
        {L"Console", L"Console"},
        {L"...", L"App"},
        {L"", L"App"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(safeFileName(c.name), c.safe) << testing::narrow(c.name);
    EXPECT_EQ(safeFileName(std::wstring(150, L'x')), std::wstring(kMaxFileNameLength, L'x'));
    // A surrogate pair is never cut in half.
    std::wstring emoji = std::wstring(kMaxFileNameLength - 1, L'x') + L"\U0001F680";
    EXPECT_EQ(safeFileName(emoji), std::wstring(kMaxFileNameLength - 1, L'x'));
    // Linux takes 255 bytes of UTF-8 per name, ".exe" and ".zip" included: 88 Chinese characters
    // (264 bytes) become 83 (249 bytes), whole characters only.
    EXPECT_EQ(safeFileName(std::wstring(88, L'\u661F')), std::wstring(83, L'\u661F'));
    EXPECT_EQ(safeFileName(std::wstring(10, L'\u00E9') + std::wstring(80, L'\u661F')),
              std::wstring(10, L'\u00E9') + std::wstring(77, L'\u661F'));
}

TEST(AppVersion, ReadsSemanticAndWindowsVersions) {
    const struct {
        const char* text;
        bool valid;
        WORD parts[4];
        bool preRelease;
    } cases[] = {
        {"1.2.3", true, {1, 2, 3, 0}, false},
        {"2.0.0-beta.3", true, {2, 0, 0, 0}, true},
        {"1.0.0+build.7", true, {1, 0, 0, 0}, false},
        {"1.0.0-rc-1+sha.5114f85", true, {1, 0, 0, 0}, true},
        {"1.4", true, {1, 4, 0, 0}, false},
        {"65535.1.2.3", true, {65535, 1, 2, 3}, false},
        {"", false, {}, false},
        {"1.x", false, {}, false},
        {"v1.2.3", false, {}, false},
        {"1..2", false, {}, false},
        {"1.2.3.4.5", false, {}, false},
        {"65536.0.0", false, {}, false},
        {"1.2.3-", false, {}, false},
        {"1.2.3-be..ta", false, {}, false},
        {"1.2.3+b_1", false, {}, false},
        {"-1.2.3", false, {}, false},
        {"1.2.3 ", false, {}, false},
    };
    for (const auto& c : cases) {
        std::optional<AppVersion> version = parseAppVersion(c.text);
        ASSERT_EQ(version.has_value(), c.valid) << c.text;
        if (!version)
            continue;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(version->parts[i], c.parts[i]) << c.text << " part " << i;
        EXPECT_EQ(version->preRelease, c.preRelease) << c.text;
    }
}

const CLSID kPngEncoder = {
    0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF;

// Quadrants: red top left, blue top right, transparent bottom half.
uint32_t quadrantColour(int x, int y, int size) {
    if (y >= size / 2)
        return 0;
    return x < size / 2 ? kRed : kBlue;
}

void writePng(const std::wstring& path, int size) {
    std::vector<uint32_t> pixels(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x)
            pixels[static_cast<size_t>(y) * size + x] = quadrantColour(x, y, size);
    }
    Gdiplus::GpBitmap* bitmap = nullptr;
    ASSERT_EQ(Gdiplus::DllExports::GdipCreateBitmapFromScan0(
                  size, size, size * 4, PixelFormat32bppARGB,
                  reinterpret_cast<BYTE*>(pixels.data()), &bitmap),
              Gdiplus::Ok);
    EXPECT_EQ(Gdiplus::DllExports::GdipSaveImageToFile(bitmap, path.c_str(), &kPngEncoder, nullptr),
              Gdiplus::Ok);
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
}

// The colour of one pixel of an icon, as a program drawing it gets it.
uint32_t iconPixel(HICON icon, int size, int x, int y) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info))
        return 0xDEADBEEF;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size;
    format.bmiHeader.biHeight = -size;  // top-down
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> pixels(static_cast<size_t>(size) * size);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, info.hbmColor, 0, size, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return pixels[static_cast<size_t>(y) * size + x];
}

// A resource's bytes ("" when absent), from a module loaded as data.
std::string resourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type) {
    HRSRC found = FindResourceW(module, name, type);
    if (found == nullptr)
        return {};
    return std::string(static_cast<const char*>(LockResource(LoadResource(module, found))),
                       SizeofResource(module, found));
}

int resourceCount(HMODULE module, LPCWSTR type) {
    int count = 0;
    EnumResourceNamesW(
        module, type,
        [](HMODULE, LPCWSTR, LPWSTR, LONG_PTR context) -> BOOL {
            ++*reinterpret_cast<int*>(context);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&count));
    return count;
}

WORD wordAt(const std::string& bytes, size_t at) {
    WORD value = 0;
    memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

std::wstring versionString(const std::vector<BYTE>& block, const std::wstring& key) {
    wchar_t* value = nullptr;
    UINT length = 0;
    std::wstring path = L"\\StringFileInfo\\040904B0\\" + key;
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
        return L"(absent)";
    return std::wstring(value, length > 0 ? length - 1 : 0);
}

class Stamping : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(gdiplus_); }

    std::wstring stampedShell(const std::vector<IconImage>& icons,
                              const std::vector<BYTE>& version) {
        const std::wstring path = folder_ / L"Star Hopper.exe";
        EXPECT_TRUE(CopyFileW(testing::shellExecutablePath().c_str(), path.c_str(), FALSE));
        stampExecutable(path, icons, version);
        return path;
    }

    static ULONG_PTR gdiplus_;
    TempDir folder_;
};
ULONG_PTR Stamping::gdiplus_ = 0;

const VersionStrings kStrings = {
    {L"CompanyName", L"\u00C9toile Studio \u2014 \u661F"},
    {L"FileDescription", L"Star Hopper: a game of jumps"},
    {L"FileVersion", L"2.3.4.0"},
    {L"LegalCopyright", L"\u00A9 2026 \u00C9toile Studio"},
    {L"OriginalFilename", L"Star Hopper.exe"},
    {L"ProductName", L"Star Hopper \u2605"},
    {L"ProductVersion", L"2.3.4-beta.1"},
};

TEST_F(Stamping, PngIconAndVersionReadBackAsWindowsSeesThem) {
    const std::wstring png = folder_ / L"icon.png";
    writePng(png, 96);
    const std::wstring exe = stampedShell(
        iconImagesFromFile(png), versionResource(*parseAppVersion("2.3.4-beta.1"), kStrings));

    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    // The group keeps its name and lists the sizes Explorer, the taskbar and shortcuts pick
    // from at every display scale (a width of 0 is 256); the shell's own images are gone.
    const std::vector<int> sizes = {16, 20, 24, 32, 40, 48, 64, 256};
    const std::string group = resourceBytes(module, L"MAINICON", RT_GROUP_ICON);
    ASSERT_GE(group.size(), 6u);
    EXPECT_EQ(wordAt(group, 4), sizes.size());
    std::vector<int> listed;
    for (size_t entry = 6; entry + 14 <= group.size(); entry += 14) {
        const int width = static_cast<BYTE>(group[entry]);
        listed.push_back(width == 0 ? 256 : width);
    }
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, sizes);
    EXPECT_EQ(resourceCount(module, RT_ICON), static_cast<int>(sizes.size()));
    for (int size : sizes) {
        HICON icon = static_cast<HICON>(LoadImageW(module, L"MAINICON", IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        EXPECT_EQ(iconPixel(icon, size, size / 4, size / 4), kRed) << size;
        EXPECT_EQ(iconPixel(icon, size, size * 3 / 4, size / 4), kBlue) << size;
        EXPECT_EQ(iconPixel(icon, size, size / 2, size * 3 / 4) >> 24, 0u) << size;
        DestroyIcon(icon);
    }
    // The application manifest is still there.
    EXPECT_NE(resourceBytes(module, MAKEINTRESOURCEW(1), RT_MANIFEST).find("asInvoker"),
              std::string::npos);
    FreeLibrary(module);

    DWORD size = GetFileVersionInfoSizeW(exe.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));
    for (const auto& [key, value] : kStrings)
        EXPECT_EQ(versionString(block, key), value) << testing::narrow(key);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    ASSERT_TRUE(
        VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLength));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020003u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00040000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020003u);
    EXPECT_EQ(fixed->dwFileFlags & VS_FF_PRERELEASE, static_cast<DWORD>(VS_FF_PRERELEASE));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    DWORD inHeader = 0, computed = 0;
    ASSERT_EQ(MapFileAndCheckSumW(exe.c_str(), &inHeader, &computed),
              static_cast<DWORD>(CHECKSUM_SUCCESS));
    EXPECT_NE(computed, 0u);
    EXPECT_EQ(inHeader, computed);

    // And it still runs an app.
    testing::ShellApp app(R"({"name":"Star Hopper"})");
    app.folder.installExecutable(exe);
    testing::RunResult run = testing::runShell(app, R"([{"do":"close"}])");
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.messageBoxes.empty());
    EXPECT_FALSE(
        run.linesStartingWith("WebResourceRequested GET https://quorvane.localhost/index.html")
            .empty());
}

// An .ico's images go in byte for byte; directory entries that leave planes and bit count at 0
// are filled in, since Windows picks sizes by them.
TEST_F(Stamping, IcoImagesAreCopiedAsTheyAre) {
    const std::wstring png = folder_ / L"48.png";
    writePng(png, 48);
    const std::string png48 = testing::readFile(png);
    std::string dib16(40 + 16 * 16 * 4 + 16 * 4, '\0');
    BITMAPINFOHEADER header = {sizeof header, 16, 32, 1, 32, BI_RGB};
    memcpy(dib16.data(), &header, sizeof header);
    for (size_t i = 40; i < 40 + 16 * 16 * 4; i += 4)
        memcpy(&dib16[i], &kBlue, 4);
    const std::string images[] = {dib16, png48};
    const BYTE sizes[] = {16, 48};
    const WORD bitCounts[] = {32, 0};
    std::string ico("\0\0\1\0\2\0", 6);
    DWORD offset = 6 + 2 * 16;
    for (int i = 0; i < 2; ++i) {
        const BYTE entry[8] = {sizes[i], sizes[i], 0, 0, 0, 0, static_cast<BYTE>(bitCounts[i]), 0};
        const DWORD bytes = static_cast<DWORD>(images[i].size());
        ico.append(reinterpret_cast<const char*>(entry), 8);
        ico.append(reinterpret_cast<const char*>(&bytes), 4)
            .append(reinterpret_cast<const char*>(&offset), 4);
        offset += bytes;
    }
    ico += dib16 + png48;
    testing::writeFile(folder_ / L"icon.ico", ico);

    const std::wstring exe = stampedShell(iconImagesFromFile(folder_ / L"icon.ico"),
                                          versionResource(*parseAppVersion("1.0.0"), kStrings));
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    const std::string group = resourceBytes(module, L"MAINICON", RT_GROUP_ICON);
    ASSERT_EQ(group.size(), 6u + 2 * 14);
    // The app's two images and none of the shell's own.
    EXPECT_EQ(resourceCount(module, RT_ICON), 2);
    for (int i = 0; i < 2; ++i) {
        const size_t entry = 6 + 14 * i;
        EXPECT_EQ(static_cast<BYTE>(group[entry]), sizes[i]);
        EXPECT_EQ(wordAt(group, entry + 4), 1) << "planes";
        EXPECT_EQ(wordAt(group, entry + 6), 32) << "bit count";
        EXPECT_EQ(resourceBytes(module, MAKEINTRESOURCEW(wordAt(group, entry + 12)), RT_ICON),
                  images[i]);
    }
    FreeLibrary(module);
}

namespace packager {

// Wine's name of a Windows path on the Linux side (Wine runs Linux programs, Python here, through
// CreateProcess).
std::wstring unixPath(const std::wstring& path) {
    using Convert = char*(CDECL*)(LPCWSTR);
    auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = convert != nullptr ? convert(path.c_str()) : nullptr;
    if (unix == nullptr)
        return {};
    std::wstring result = utf8ToWide(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Runs |commandLine| in |folder|; returns its exit code (or a failure's error code).
DWORD run(const std::wstring& commandLine, const std::wstring& folder) {
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process))
        return GetLastError();
    WaitForSingleObject(process.hProcess, 120000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// What Python's zip reader finds wrong with the package in |out| ("" when nothing). Under Wine a
// Linux program starts through CreateProcess, but its handle says nothing of its end: the check
// writes its report, whole, under a name the test waits for.
std::string zipCheck(const std::wstring& out) {
    const std::wstring report = out + L"-zip-check.txt";
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    std::wstring line = L"/usr/bin/python3 \"" + utf8ToWide(QV_ZIP_CHECK) + L"\" \"" +
                        unixPath(out) + L"\" \"" + unixPath(report) + L"\"";
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return "python3 did not start";
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 600 && !testing::fileExists(report); ++i)
        Sleep(100);
    return testing::fileExists(report) ? testing::readFile(report) : "no report from python3";
}

}  // namespace packager

// quorvane-pack.exe run as a maker runs it, on an app whose names have blanks and non-ASCII
// characters, one path longer than MAX_PATH and an empty folder: its zip, read by Python's zip
// reader, holds the package folder exactly, and the executable carries the app's icon and
// version.
TEST_F(Stamping, PackagerPackagesAnAppWithOddNames) {
    const std::wstring app = folder_ / L"My Game \u00E9\u661F";
    const std::wstring www = L"\\\\?\\" + app + L"\\www\\";
    writePng(folder_ / L"icon.png", 96);
    testing::writeFile(app + L"\\art\\icon.png", testing::readFile(folder_ / L"icon.png"));
    testing::writeFile(app + L"\\package.json", R"({"name": "\u00C9toile Hopper \u2605",
        "version": "2.3.4-beta.1", "company": "\u00C9toile Studio",
        "window": {"icon": "art/icon.png"}})");
    testing::writeFile(www + L"index.html", "<!DOCTYPE html><title>Hopper</title>");
    std::string noise;
    for (uint32_t i = 0, x = 1; i < 300000; ++i, x = x * 1103515245 + 12345)
        noise.push_back(static_cast<char>(x >> 16));
    testing::writeFile(www + L"sons d'\u00E9t\u00E9\\bruit blanc \u266A.ogg", noise);
    testing::writeFile(www + L"js\\na\u00EFve game.js", std::string(20000, 'a'));
    std::wstring deep = www;
    for (int i = 0; i < 7; ++i)
        deep += L"a folder with a rather long name " + std::to_wstring(i) + L"\\";
    ASSERT_GT(deep.size(), static_cast<size_t>(MAX_PATH));
    testing::writeFile(deep + L"\u00FCber.json", "{}");
    ASSERT_TRUE(CreateDirectoryW((www + L"empty").c_str(), nullptr));

    const std::wstring shell = testing::shellExecutablePath();
    const std::wstring packer = shell.substr(0, shell.find_last_of(L'\\')) + L"\\quorvane-pack.exe";
    ASSERT_EQ(packager::run(L"\"" + packer + L"\" \"My Game \u00E9\u661F\" out", folder_.path()),
              0u);

    const std::wstring package = folder_ / L"out\\\u00C9toile Hopper \u2605";
    const std::wstring exe = package + L"\\\u00C9toile Hopper \u2605.exe";
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(resourceCount(module, RT_ICON), static_cast<int>(std::size(kIconSizes)));
    for (int size : {16, 48, 256}) {
        HICON icon = static_cast<HICON>(LoadImageW(module, L"MAINICON", IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        EXPECT_EQ(iconPixel(icon, size, size / 4, size / 4), kRed) << size;
        EXPECT_EQ(iconPixel(icon, size, size * 3 / 4, size / 4), kBlue) << size;
        DestroyIcon(icon);
    }
    FreeLibrary(module);
    std::vector<BYTE> block(GetFileVersionInfoSizeW(exe.c_str(), nullptr));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(
        GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    EXPECT_EQ(versionString(block, L"ProductName"), L"\u00C9toile Hopper \u2605");
    EXPECT_EQ(versionString(block, L"CompanyName"), L"\u00C9toile Studio");
    EXPECT_EQ(versionString(block, L"ProductVersion"), L"2.3.4-beta.1");
    EXPECT_EQ(versionString(block, L"FileVersion"), L"2.3.4.0");
    EXPECT_EQ(versionString(block, L"OriginalFilename"), L"\u00C9toile Hopper \u2605.exe");

    EXPECT_EQ(packager::zipCheck(folder_ / L"out"), "");
}

}  // namespace
}  // namespace quorvane::stamp
