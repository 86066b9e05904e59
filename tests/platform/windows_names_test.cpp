#include <gtest/gtest.h>

#include <string>

#include "platform/windows_names.h"

namespace quorvane {
namespace {

TEST(WindowsNames, ReservedCharactersAreControlsAndTheNineWindowsRefuses) {
    for (wchar_t unit = 0; unit < 0x80; ++unit) {
        const bool expected =
            unit < 0x20 || std::wstring(L"<>:\"/\\|?*").find(unit) != std::wstring::npos;
        EXPECT_EQ(isReservedNameCharacter(unit), expected) << "U+" << std::hex << int(unit);
    }
    EXPECT_FALSE(isReservedNameCharacter(L'\u00E9'));
    EXPECT_FALSE(isReservedNameCharacter(L'\u007F'));
}

TEST(WindowsNames, DeviceNamesInEverySpelling) {
    struct Case {
        const wchar_t* name;
        bool device;
    };
    const Case cases[] = {
        {L"CON", true},       {L"con", true},           {L"nUl", true},
        {L"aux.png", true},   {L"NUL .txt", true},      {L"prn.tar.gz", true},
        {L"COM1", true},      {L"lpt9", true},          {L"COM0", true},
        {L"COM\u00B9", true}, {L"LPT\u00B3.log", true}, {L"CONIN$", true},
        {L"conout$", true},   {L"CLOCK$", true},        {L"COM10", false},
        {L"COM", false},      {L"CONSOLE", false},      {L"xCON", false},
        {L"NUL_", false},     {L"LPTA", false},         {L"auxiliary.txt", false},
        {L"", false},         {L".con", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isDeviceName(c.name), c.device) << testing::PrintToString(std::wstring(c.name));
}

TEST(WindowsNames, NamesDifferingOnlyInCaseAreOne) {
    EXPECT_TRUE(sameWindowsName(L"Game", L"gAME"));
    EXPECT_TRUE(sameWindowsName(L"\u00C9t\u00E9", L"\u00E9T\u00C9"));  // beyond ASCII
    EXPECT_TRUE(sameWindowsName(L"\u0418\u0433\u0440\u0430", L"\u0438\u0433\u0440\u0430"));
    EXPECT_FALSE(sameWindowsName(L"Game", L"Game2"));
    EXPECT_FALSE(sameWindowsName(L"Game", L"Gam\u00E9"));
    EXPECT_EQ(caseFolded(L"dist/Sky"), L"DIST/SKY");
    EXPECT_EQ(caseFolded(L""), L"");
}

}  // namespace
}  // namespace quorvane
