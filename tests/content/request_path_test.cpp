#include <gtest/gtest.h>

#include <string>

#include "content/request_path.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

using testing::narrow;

std::string units(const std::wstring& text) {
    std::string out;
    char buffer[8];
    for (wchar_t unit : text) {
        snprintf(buffer, sizeof buffer, "%04X ", static_cast<unsigned>(unit));
        out += buffer;
    }
    return out;
}

TEST(DecodeRequestPath, DecodesEscapesAsUtf8WhereTheySpellIt) {
    struct Case {
        std::wstring in;
        std::wstring out;
    } cases[] = {
        {L"index.html", L"index.html"},
        {L"my%20file.png", L"my file.png"},
        {L"a%2Fb%2fc", L"a/b/c"},
        {L"%2e%2e/%2E%2E", L"../.."},
        {L"%5c", L"\\"},
        {L"%00", std::wstring(1, L'\0')},
        {L"%41%42C", L"ABC"},
        {L"q?x=%41#%42", L"q?x=A#B"},  // escapes after ? and # are decoded too
        {L"+", L"+"},                  // no form decoding
        // Malformed escapes stay as they are.
        {L"%", L"%"},
        {L"%4", L"%4"},
        {L"%G1", L"%G1"},
        {L"100%", L"100%"},
        {L"%%41", L"%A"},
        {L"%2", L"%2"},
        // UTF-8: accents, Japanese, a character outside the basic plane.
        {L"caf%C3%A9.png", L"caf\u00E9.png"},
        {L"caf%c3%a9.png", L"caf\u00E9.png"},
        {L"%E6%97%A5%E6%9C%AC%E8%AA%9E.txt", L"\u65E5\u672C\u8A9E.txt"},
        {L"%F0%9F%8E%B5.ogg", L"\U0001F3B5.ogg"},
        {L"%EF%BF%BD", L"\uFFFD"},
        // Not UTF-8: each escaped byte becomes the unit of the same value.
        {L"caf%E9.png", L"caf\u00E9.png"},
        {L"%C3", L"\u00C3"},
        {L"%C3x", L"\u00C3x"},
        {L"%C3%41", L"\u00C3A"},
        {L"%C0%AF", L"\u00C0\u00AF"},                    // overlong "/"
        {L"%E0%80%AF", L"\u00E0\u0080\u00AF"},           // overlong "/"
        {L"%ED%A0%80", L"\u00ED\u00A0\u0080"},           // a surrogate
        {L"%F4%90%80%80", L"\u00F4\u0090\u0080\u0080"},  // past U+10FFFF
        {L"%FF%FE", L"\u00FF\u00FE"},
        {L"%80", L"\u0080"},
        {L"%C3%A9%FF", L"\u00E9\u00FF"},
        {L"%C3%C3%A9", L"\u00C3\u00E9"},
        {L"%E6%97", L"\u00E6\u0097"},  // truncated sequence
        {L"%E6%97%A5", L"\u65E5"},
        // Characters already decoded pass through unchanged.
        {L"\u00E9\u65E5", L"\u00E9\u65E5"},
    };
    for (const Case& c : cases) {
        std::wstring decoded = decodeRequestPath(c.in);
        EXPECT_EQ(units(decoded), units(c.out)) << narrow(c.in);
    }
}

TEST(DecodeRequestPath, LeavesTooLongPathsUndecoded) {
    std::wstring fits = std::wstring(2047 - 2, L'a') + L"%41%42";  // 2047 units decoded
    EXPECT_EQ(decodeRequestPath(fits), std::wstring(2045, L'a') + L"AB");
    std::wstring tooLong = std::wstring(2046, L'a') + L"%41%42";  // 2048 units decoded
    EXPECT_EQ(decodeRequestPath(tooLong), tooLong);
}

TEST(IsServablePath, AcceptsOrdinaryNames) {
    const wchar_t* paths[] = {
        L"index.html",
        L"img/ui/button.png",
        L"my file.png",
        L"caf\u00E9.png",
        L"\u65E5\u672C.txt",
        L"a..b.png",
        L".hidden.png",
        L"..a",
        L"a/.well-known/x",
        L"conf.js",
        L"console.js",
        L"nullable.js",
        L"com10.png",
        L"lpt.txt",
        L"auxiliary/a.js",
        L"COM/a.png",
        L"a//b.png",
        L"img/",
        L"%2e%2e/x",
        L" lead.png",
        L"x.con",
        L"prn_icon.png",
        L"CONIN.png",
        L"a+b=c&d.png",
    };
    for (const wchar_t* path : paths)
        EXPECT_TRUE(isServablePath(path)) << narrow(path);
}

TEST(IsServablePath, RefusesEveryWayOutOfTheFolderAndEveryDevice) {
    const std::wstring paths[] = {
        // The folder itself.
        L"",
        // Parent and current segments.
        L"..",
        L"../secret.txt",
        L"../../Windows/win.ini",
        L"img/../../secret.txt",
        L"a/..",
        L".",
        L"./index.html",
        L"img/./a.png",
        L"...",
        L"..../x",
        // Other separators and roots.
        L"..\\secret.txt",
        L"img\\..\\..\\secret.txt",
        L"\\secret.txt",
        L"C:\\Windows\\win.ini",
        L"C:/Windows/win.ini",
        L"c:secret.txt",
        L"/C:/x",
        L"\\\\server\\share\\x",
        L"\\\\?\\C:\\x",
        L"\\\\.\\C:\\x",
        L"//?/C:/x",
        L"//./PhysicalDrive0",
        L"\\\\.\\pipe\\x",
        L"\\??\\C:\\x",
        // Devices, with extensions, trailing spaces or dots, in any folder, any case.
        L"CON",
        L"con",
        L"NUL",
        L"nul.txt",
        L"AUX.png",
        L"aux",
        L"PRN",
        L"COM1",
        L"com9.js",
        L"LPT1",
        L"lpt3.dat",
        L"COM0",
        L"LPT0",
        L"img/NUL",
        L"img/con.png",
        L"NUL .txt",
        L"nul.tar.gz",
        L"CONIN$",
        L"conout$",
        L"CLOCK$",
        L"COM\u00B9",
        L"LPT\u00B2.x",
        L"COM\u00B3",
        L"lpt\u00B3.txt",
        L"nul:",
        L"NUL/x.png",
        // Alternate data streams and other forbidden characters.
        L"index.html:secret",
        L"index.html::$DATA",
        L"index.html:Zone.Identifier:$DATA",
        L"a*.png",
        L"a?.png",
        L"index.html?v=2",
        L"a\"b",
        L"a<b",
        L"a>b",
        L"a|b",
        // Names Windows would trim.
        L"index.html.",
        L"index.html ",
        L"index.html. . ",
        L"img./a.png",
        L"img /a.png",
        L".. /x",
        L"../",
        L". ./x",
        // Control characters, an encoded NUL among them.
        std::wstring(L"index.html\0.png", 15),
        std::wstring(1, L'\0'),
        L"a\tb",
        L"a\nb",
        L"a\x1F"
        L"b",
    };
    for (const std::wstring& path : paths) {
        EXPECT_FALSE(isServablePath(path)) << units(path) << " " << narrow(path);
    }
}

TEST(FilePathFor, TurnsSlashesIntoBackslashesBehindTheFolder) {
    EXPECT_EQ(filePathFor(L"C:\\app\\www\\", L"img/ui/button.png"),
              L"C:\\app\\www\\img\\ui\\button.png");
    EXPECT_EQ(filePathFor(L"C:\\app\\www\\", L"index.html"), L"C:\\app\\www\\index.html");
    EXPECT_EQ(filePathFor(L"C:\\app\\www\\", L"Music/Theme.ogg"),
              L"C:\\app\\www\\Music\\Theme.ogg");
}

}  // namespace
}  // namespace quorvane
