#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/display_scale.h"
#include "platform/gdiplus_api.h"
#include "platform/icon_from_image.h"
#include "platform/local_app_data.h"
#include "platform/utf8.h"
#include "tests/support/files.h"
#include "tests/support/tiny_png.h"
#include "tests/support/temp_dir.h"

namespace quorvane {
namespace {

using testing::TempDir;

struct ScaleCase {
    int dpi;
    int32_t length;
    int32_t expected;
};

// Wine's DPI is fixed at 96, so the arithmetic is tested with each factor directly.
TEST(ScaleForDisplay, ScalesWithSinglePrecisionCeiling) {
    const ScaleCase cases[] = {
        {96, 1024, 1024},
        {96, 0, 0},
        {96, -7, -7},
        {96, 301, 301},
        {120, 1024, 1280},
        {120, 301, 377},
        {120, 0, 0},
        {120, -3, -3},
        {120, 768, 960},
        {120, 1, 2},
        {144, 768, 1152},
        {144, 1, 2},
        {144, -1, -1},
        {144, 0, 0},
        {168, 1025, 1794},
        {168, 0, 0},
        {168, -5, -8},
        {168, 300, 525},
        {192, 90, 180},
        {120, 10, 13},
        // Past the 32-bit range the result is held at its ends ("width": 1e300 reads as INT32_MIN).
        {96, INT32_MAX, INT32_MAX},
        {96, 2147483520, 2147483520},
        {120, 2000000000, INT32_MAX},
        {192, 1073741824, INT32_MAX},
        {96, INT32_MIN, INT32_MIN},
        {120, INT32_MIN, INT32_MIN},
        {192, -1073741825, INT32_MIN},
        {144, 1431655765, INT32_MAX},
    };
    for (const ScaleCase& c : cases) {
        float factor = static_cast<float>(c.dpi) / 96.0f;
        EXPECT_EQ(scaleLength(c.length, factor), c.expected)
            << "dpi " << c.dpi << " length " << c.length;
    }
}

TEST(ScaleForDisplay, UsesTheSystemDpiUnderWine) {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    float factor = static_cast<float>(dpi) / 96.0f;
    EXPECT_EQ(scaleForDisplay(1024), scaleLength(1024, factor));
    EXPECT_EQ(scaleForDisplay(0), 0);
    EXPECT_EQ(scaleForDisplay(-3), scaleLength(-3, factor));
}

TEST(Utf8ToWide, ConvertsAndReplacesMalformedBytes) {
    struct Case {
        std::string in;
        std::wstring out;
    } cases[] = {
        {"", L""},
        {"abc", L"abc"},
        {"\x80", L"\xFFFD"},                                 // lone continuation byte
        {"caf\xC3\xA9", L"caf\x00E9"},                       // é
        {"\xE6\x97\xA5\xE6\x9C\xAC", L"\x65E5\x672C"},       // 日本
        {"\xF0\x9F\x8E\xAE", L"\xD83C\xDFAE"},               // U+1F3AE, a surrogate pair
        {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},  // NUL converts like any unit
        {"\xC3", L"\xFFFD"},                                 // truncated sequence
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8ToWide(c.in), c.out) << "input bytes: " << c.in.size();
    }
}

TEST(Utf8ToWide, RoundTripsThroughWideToUtf8) {
    std::string text = "Sky Puzzle \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC";
    EXPECT_EQ(wideToUtf8(utf8ToWide(text)), text);
    EXPECT_EQ(wideToUtf8(L""), "");
}

class IconFromImageFile : public ::testing::Test {
  protected:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_TRUE(gdiplusApi().startup && gdiplusApi().shutdown);
        ASSERT_EQ(gdiplusApi().startup(&token_, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { gdiplusApi().shutdown(token_); }

    ULONG_PTR token_ = 0;
    TempDir dir_;
};

TEST_F(IconFromImageFile, MakesAnIconOfTheImageSizeFromAPng) {
    std::wstring path = dir_ / L"icon.png";
    testing::writeFile(path, testing::tinyPng());
    HICON icon = iconFromImageFile(path);
    ASSERT_NE(icon, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap = {};
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 2);
    EXPECT_EQ(bitmap.bmHeight, 2);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
}

TEST_F(IconFromImageFile, GivesNullForATextFileAMissingFileAndAFolder) {
    std::wstring text = dir_ / L"notes.png";
    testing::writeFile(text, "this is not an image");
    EXPECT_EQ(iconFromImageFile(text), nullptr);
    EXPECT_EQ(iconFromImageFile(dir_ / L"missing.png"), nullptr);
    EXPECT_EQ(iconFromImageFile(dir_.path()), nullptr);
    EXPECT_EQ(iconFromImageFile(L""), nullptr);
}

TEST(LocalAppDataPath, IsStableAndNamesAnExistingFolder) {
    std::wstring first = localAppDataPath();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(localAppDataPath(), first);
    EXPECT_NE(first.back(), L'\\');
    DWORD attributes = GetFileAttributesW(first.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
}  // namespace quorvane
