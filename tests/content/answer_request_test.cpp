#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/scoped_handle.h"
#include "content/app_origin.h"
#include "content/content_server.h"
#include "content/file_size.h"
#include "tests/content/content_fixture.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

using testing::ContentFolder;
using testing::narrow;
using testing::offsetPattern;
using testing::readToEndOnAnotherThread;

constexpr char kNotFoundHeaders[] = "Cache-Control: no-store";
constexpr char kNotFoundBody[] = "File not found";

struct Expected {
    int status;
    std::string reason;
    std::string headers;
    std::optional<std::string> body;  // none: no body stream at all
};

struct RequestCase {
    std::wstring path;                  // after the origin
    std::optional<std::wstring> range;  // the "Range" header value
    Expected expected;
};

std::string rangeHeaders(const std::string& type, const std::string& range, uint64_t length) {
    return "Cache-Control: no-store\nContent-Type: " + type +
           "\nAccept-Ranges: bytes\nContent-Range: bytes " + range +
           "\nContent-Length: " + std::to_string(length);
}

std::string okHeaders(const std::string& type, uint64_t length) {
    return "Cache-Control: no-store\nContent-Type: " + type +
           "\nAccept-Ranges: bytes\nContent-Length: " + std::to_string(length);
}

std::string bareHeaders(const std::string& type) {
    return "Cache-Control: no-store\nContent-Type: " + type + "\nAccept-Ranges: bytes";
}

class AnswerRequestTest : public ::testing::Test {
  protected:
    Answer answer(const std::wstring& path, const std::optional<std::wstring>& range,
                  Isolation isolation = Isolation::None) {
        return answerRequest(appOrigin + path, range ? &*range : nullptr, folder_.www(), cache_,
                             isolation);
    }

    void expectAnswer(const RequestCase& c, Isolation isolation = Isolation::None) {
        SCOPED_TRACE(narrow(c.path) + (c.range ? " Range: " + narrow(*c.range) : ""));
        Answer got = answer(c.path, c.range, isolation);
        EXPECT_EQ(got.status, c.expected.status);
        EXPECT_EQ(narrow(got.reason), c.expected.reason);
        EXPECT_EQ(narrow(headerBlock(got.headerLines)), c.expected.headers);
        if (c.expected.body) {
            ASSERT_TRUE(got.body);
            EXPECT_EQ(readToEndOnAnotherThread(got.body.get()), *c.expected.body);
        } else {
            EXPECT_FALSE(got.body);
        }
    }

    ContentFolder folder_;
    MappedFileCache cache_;
};

TEST_F(AnswerRequestTest, AnswersFilesRangesAndMissingNames) {
    const std::string hero = offsetPattern(1000);
    const std::string png = "image/png";
    const std::string html = "text/html; charset=utf-8";
    const Expected notFound{404, "Not Found", kNotFoundHeaders, kNotFoundBody};
    const RequestCase cases[] = {
        {L"index.html", {}, {200, "OK", okHeaders(html, 39), ContentFolder::kIndex}},
        {L"img/ui/button.png", {}, {200, "OK", okHeaders(png, 16), ContentFolder::kButton}},
        {L"my%20file.png", {}, {200, "OK", okHeaders(png, 11), ContentFolder::kSpaced}},
        {L"data/level.scon",
         {},
         {200, "OK", okHeaders("application/json", 11), ContentFolder::kScon}},
        {L"empty.txt", {}, {200, "OK", okHeaders("text/plain; charset=utf-8", 0), ""}},
        {L"sprites/hero.png", {}, {200, "OK", okHeaders(png, 1000), hero}},
        // Names are looked up as given: Windows itself ignores letter case.
        {L"INDEX.HTML", {}, {200, "OK", okHeaders(html, 39), ContentFolder::kIndex}},
        // Non-ASCII names arrive as escaped UTF-8; a lone escaped Latin-1 byte still works.
        {L"caf%C3%A9.png", {}, {200, "OK", okHeaders(png, 5), ContentFolder::kAccented}},
        {L"caf%E9.png", {}, {200, "OK", okHeaders(png, 5), ContentFolder::kAccented}},
        {L"%E6%97%A5%E6%9C%AC%E8%AA%9E.txt",
         {},
         {200, "OK", okHeaders("text/plain; charset=utf-8", 6), ContentFolder::kJapanese}},
        // A query (from the first literal "?") names no file; an escaped "%3F" is part of the name.
        {L"index.html?v=2", {}, {200, "OK", okHeaders(html, 39), ContentFolder::kIndex}},
        {L"index.html?", {}, {200, "OK", okHeaders(html, 39), ContentFolder::kIndex}},
        {L"my%20file.png?x=%2F..%2Fsecret.txt?y",
         {},
         {200, "OK", okHeaders(png, 11), ContentFolder::kSpaced}},
        {L"sprites/hero.png?t=1700000000000",
         L"bytes=0-0",
         {206, "Partial Content", rangeHeaders(png, "0-0/1000", 1), hero.substr(0, 1)}},
        {L"index.html%3Fv=2", {}, notFound},
        {L"?index.html", {}, notFound},
        {L"img/?v=2", {}, notFound},
        {L"../secret.txt?v=2", {}, notFound},
        // Missing things, folders and the bare origin.
        {L"missing.png", {}, notFound},
        {L"index.html#top", {}, notFound},
        {L"img", {}, notFound},
        {L"img/", {}, notFound},
        {L"img/ui", {}, notFound},
        {L"", {}, notFound},
        {L"missing.png", L"bytes=0-9", notFound},
        {L"img", L"bytes=0-9", notFound},
        // Ranges on a 1000-byte file.
        {L"sprites/hero.png",
         L"bytes=100-199",
         {206, "Partial Content", rangeHeaders(png, "100-199/1000", 100), hero.substr(100, 100)}},
        {L"sprites/hero.png",
         L"bytes=0-",
         {206, "Partial Content", rangeHeaders(png, "0-999/1000", 1000), hero}},
        {L"sprites/hero.png",
         L"bytes=-100",
         {206, "Partial Content", rangeHeaders(png, "900-999/1000", 100), hero.substr(900)}},
        {L"sprites/hero.png",
         L"bytes=-1000",
         {206, "Partial Content", rangeHeaders(png, "0-999/1000", 1000), hero}},
        {L"sprites/hero.png",
         L"bytes=0-0",
         {206, "Partial Content", rangeHeaders(png, "0-0/1000", 1), hero.substr(0, 1)}},
        {L"sprites/hero.png",
         L"bytes=999-999",
         {206, "Partial Content", rangeHeaders(png, "999-999/1000", 1), hero.substr(999)}},
        {L"sprites/hero.png",
         L"  bytes=10-19\t",
         {206, "Partial Content", rangeHeaders(png, "10-19/1000", 10), hero.substr(10, 10)}},
        {L"sprites/hero.png",
         L"bytes= 10 - 19",
         {206, "Partial Content", rangeHeaders(png, "10-19/1000", 10), hero.substr(10, 10)}},
        {L"sprites/hero.png",
         L"bytes=0-99,200-299",
         {206, "Partial Content", rangeHeaders(png, "0-99/1000", 100), hero.substr(0, 100)}},
        {L"sprites/hero.png",
         L"bytes=1000-",
         {416, "Range Not Satisfiable", bareHeaders(png), std::nullopt}},
        {L"sprites/hero.png",
         L"bytes=0-1000",
         {416, "Range Not Satisfiable", bareHeaders(png), std::nullopt}},
        {L"sprites/hero.png",
         L"bytes=500-100",
         {416, "Range Not Satisfiable", bareHeaders(png), std::nullopt}},
        {L"sprites/hero.png",
         L"bytes=-1001",
         {416, "Range Not Satisfiable", bareHeaders(png), std::nullopt}},
        {L"sprites/hero.png",
         L"Bytes=0-99",
         {416, "Range Not Satisfiable", bareHeaders(png), std::nullopt}},
        {L"sprites/hero.png",
         L"bytes=5",
         {416, "Range Not Satisfiable", bareHeaders(png), std::nullopt}},
        {L"sprites/hero.png",
         L"bytes=-0",
         {416, "Range Not Satisfiable", bareHeaders(png), std::nullopt}},
        {L"sprites/hero.png",
         L"bytes=-",
         {416, "Range Not Satisfiable", bareHeaders(png), std::nullopt}},
        {L"sprites/hero.png",
         L"bytes=x-9",
         {416, "Range Not Satisfiable", bareHeaders(png), std::nullopt}},
        {L"sprites/hero.png",
         L"bytes=5-,9",
         {416, "Range Not Satisfiable", bareHeaders(png), std::nullopt}},
        {L"sprites/hero.png",
         L"bytes=99999999999-",
         {416, "Range Not Satisfiable", bareHeaders(png), std::nullopt}},
        {L"sprites/hero.png", L"", {416, "Range Not Satisfiable", bareHeaders(png), std::nullopt}},
        {L"empty.txt",
         L"bytes=0-",
         {416, "Range Not Satisfiable", bareHeaders("text/plain; charset=utf-8"), std::nullopt}},
        {L"empty.txt",
         L"bytes=-1",
         {416, "Range Not Satisfiable", bareHeaders("text/plain; charset=utf-8"), std::nullopt}},
    };
    for (const RequestCase& c : cases)
        expectAnswer(c);
}

// An isolated app: every answer, whatever its status, ends with the three isolation lines.
// Without isolation the blocks are the ones of the table above.
TEST_F(AnswerRequestTest, IsolationAddsItsThreeLinesToEveryAnswer) {
    const std::string isolated =
        "\nCross-Origin-Opener-Policy: same-origin\nCross-Origin-Embedder-Policy: require-corp"
        "\nCross-Origin-Resource-Policy: same-origin";
    const std::string hero = offsetPattern(1000);
    const std::string png = "image/png";
    // A file held without read sharing answers 500 (before anything maps it), isolated as well.
    ScopedHandle holder(CreateFileW((folder_.www() + L"sprites\\hero.png").c_str(), GENERIC_READ, 0,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.valid());
    expectAnswer(
        {L"sprites/hero.png", {}, {500, "Internal Server Error", bareHeaders(png) + isolated, {}}},
        Isolation::CrossOrigin);
    holder.reset();

    const RequestCase cases[] = {
        {L"index.html",
         {},
         {200, "OK", okHeaders("text/html; charset=utf-8", 39) + isolated, ContentFolder::kIndex}},
        {L"sprites/hero.png",
         L"bytes=100-199",
         {206, "Partial Content", rangeHeaders(png, "100-199/1000", 100) + isolated,
          hero.substr(100, 100)}},
        {L"sprites/hero.png",
         L"bytes=0-",
         {206, "Partial Content", rangeHeaders(png, "0-999/1000", 1000) + isolated, hero}},
        {L"missing.png", {}, {404, "Not Found", kNotFoundHeaders + isolated, kNotFoundBody}},
        {L"../secret.txt", {}, {404, "Not Found", kNotFoundHeaders + isolated, kNotFoundBody}},
        {L"sprites/hero.png",
         L"bytes=1000-",
         {416, "Range Not Satisfiable", bareHeaders(png) + isolated, std::nullopt}},
    };
    for (const RequestCase& c : cases)
        expectAnswer(c, Isolation::CrossOrigin);

    EXPECT_EQ(narrow(headerBlock(internalError(Isolation::CrossOrigin).headerLines)),
              "Cache-Control: no-store" + isolated);
    EXPECT_EQ(narrow(headerBlock(internalError(Isolation::None).headerLines)),
              "Cache-Control: no-store");
}

TEST_F(AnswerRequestTest, NeverLeavesTheContentFolderNorOpensADevice) {
    // Each would name "SECRET" beside www or above it, a system file, or a device, if it were
    // taken literally. Device names are refused before the file system sees them: under Wine
    // (and on Windows) they exist in every folder, and reading one can block forever.
    const std::wstring paths[] = {
        L"../secret.txt",
        L"%2e%2e/secret.txt",
        L"%2E%2E/secret.txt",
        L"%2e%2E/secret.txt",
        L".%2e/secret.txt",
        L"%2e./secret.txt",
        L"img/../../secret.txt",
        L"img/%2e%2e/%2e%2e/secret.txt",
        L"..%2fsecret.txt",
        L"..%2Fsecret.txt",
        L"%2e%2e%2f%2e%2e%2fsecret.txt",
        L"..%5csecret.txt",
        L"..%5Csecret.txt",
        L"%2e%2e%5csecret.txt",
        L"img%5c..%5c..%5csecret.txt",
        L"..\\secret.txt",
        L"img\\..\\..\\secret.txt",
        L"%5csecret.txt",
        L".../secret.txt",
        L"..%20/secret.txt",
        L"..%2e/secret.txt",
        L"..%00/secret.txt",
        L"img/..%20/..%20/secret.txt",
        L"C:/windows/win.ini",
        L"C:%5cwindows%5cwin.ini",
        L"c%3a%5cwindows%5cwin.ini",
        L"C%3A/windows/win.ini",
        L"/C:/windows/win.ini",
        L"%5c%5cserver%5cshare%5csecret.txt",
        L"%5c%5c%3f%5cC:%5cwindows%5cwin.ini",
        L"%5c%5c.%5cC:%5cwindows%5cwin.ini",
        L"%5c%5c.%5cpipe%5cx",
        L"//?/C:/windows/win.ini",
        L"//./C:/windows/win.ini",
        L"%5c%3f%3f%5cC:%5cwindows%5cwin.ini",
        L"CON",
        L"con",
        L"NUL",
        L"nul.txt",
        L"AUX.png",
        L"PRN",
        L"COM1",
        L"com1.js",
        L"LPT1",
        L"img/con.png",
        L"img/NUL",
        L"NUL%20.txt",
        L"NUL.",
        L"CONIN$",
        L"CONOUT$",
        L"COM%C2%B9",
        L"nul:",
        L"index.html:secret",
        L"index.html::$DATA",
        L"index.html%3a%3a$DATA",
        L"index.html.",
        L"index.html%2e",
        L"index.html%20",
        L"index.html.%20.",
        L"index.html%00",
        L"index.html%00.png",
        L"%00",
        L"..",
        L"%2e%2e",
        L".",
    };
    size_t count = 0;
    for (const std::wstring& path : paths) {
        expectAnswer({path, {}, {404, "Not Found", kNotFoundHeaders, kNotFoundBody}});
        expectAnswer({path, L"bytes=0-1", {404, "Not Found", kNotFoundHeaders, kNotFoundBody}});
        ++count;
    }
    EXPECT_GE(count, 30u);
    EXPECT_EQ(cache_.size(), 0u);
    EXPECT_EQ(testing::readFile(folder_.app(L"secret.txt")), ContentFolder::kSecret);
}

TEST_F(AnswerRequestTest, RefusesUrisOfAnotherOrigin) {
    Answer got = answerRequest(L"https://elsewhere.example/index.html", nullptr, folder_.www(),
                               cache_, Isolation::None);
    EXPECT_EQ(got.status, 404);
    got = answerRequest(L"https:", nullptr, folder_.www(), cache_, Isolation::None);
    EXPECT_EQ(got.status, 404);
    got = answerRequest(L"HTTPS://Quorvane.LocalHost/index.html", nullptr, folder_.www(), cache_,
                        Isolation::None);
    EXPECT_EQ(got.status, 200);
}

TEST_F(AnswerRequestTest, AnswersAFileHeldWithoutReadSharingWith500) {
    ScopedHandle holder(CreateFileW((folder_.www() + L"sprites\\hero.png").c_str(), GENERIC_READ, 0,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder.valid());
    const std::string png = "image/png";
    const RequestCase cases[] = {
        {L"sprites/hero.png", {}, {500, "Internal Server Error", bareHeaders(png), std::nullopt}},
        {L"sprites/hero.png",
         L"bytes=0-",
         {500, "Internal Server Error", rangeHeaders(png, "0-999/1000", 1000), std::nullopt}},
        {L"sprites/hero.png",
         L"bytes=10-19",
         {500, "Internal Server Error", rangeHeaders(png, "10-19/1000", 10), std::nullopt}},
        {L"sprites/hero.png",
         L"bytes=2000-",
         {416, "Range Not Satisfiable", bareHeaders(png), std::nullopt}},
    };
    for (const RequestCase& c : cases)
        expectAnswer(c);
    EXPECT_EQ(cache_.size(), 0u);
    holder.reset();
    expectAnswer({L"sprites/hero.png",
                  L"bytes=10-19",
                  {206, "Partial Content", rangeHeaders(png, "10-19/1000", 10),
                   offsetPattern(1000).substr(10, 10)}});
}

TEST_F(AnswerRequestTest, MapsAFileOncePerSpellingAndNeverForWholeFileAnswers) {
    const std::string theme = offsetPattern(5000);
    const std::string ogg = "audio/ogg";
    expectAnswer({L"music/theme.ogg",
                  L"bytes=0-",
                  {206, "Partial Content", rangeHeaders(ogg, "0-4999/5000", 5000), theme}});
    expectAnswer({L"music/theme.ogg", {}, {200, "OK", okHeaders(ogg, 5000), theme}});
    EXPECT_EQ(cache_.size(), 0u);
    for (int i = 0; i < 3; ++i) {
        expectAnswer({L"music/theme.ogg",
                      L"bytes=100-199",
                      {206, "Partial Content", rangeHeaders(ogg, "100-199/5000", 100),
                       theme.substr(100, 100)}});
    }
    EXPECT_EQ(cache_.size(), 1u);
    // A whole-file answer still opens the file while the cache holds it.
    expectAnswer({L"music/theme.ogg", {}, {200, "OK", okHeaders(ogg, 5000), theme}});
    expectAnswer(
        {L"Music/Theme.ogg",
         L"bytes=-10",
         {206, "Partial Content", rangeHeaders(ogg, "4990-4999/5000", 10), theme.substr(4990)}});
    EXPECT_EQ(cache_.size(), 2u);
}

// A file of 5 GiB that costs no disk: made sparse, with 16 bytes written at its end.
TEST_F(AnswerRequestTest, ServesFilesPast4GiBWith64BitSizes) {
    const std::wstring path = folder_.www() + L"big.webm";
    const uint64_t size = uint64_t{5} << 30;
    const std::string tail = "END-OF-BIG-FILE!";
    {
        ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file.valid());
        DWORD returned = 0;
        // Wine accepts FSCTL_SET_SPARSE; the hole then takes no space there as on NTFS.
        BOOL sparse = DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0,
                                      &returned, nullptr);
        EXPECT_TRUE(sparse) << GetLastError();
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(size - tail.size());
        ASSERT_TRUE(SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN));
        DWORD written = 0;
        ASSERT_TRUE(
            WriteFile(file.get(), tail.data(), static_cast<DWORD>(tail.size()), &written, nullptr));
        ASSERT_TRUE(SetEndOfFile(file.get()));
    }
    const std::string webm = "video/webm";
    const RequestCase cases[] = {
        {L"big.webm",
         L"bytes=5368709104-",
         {206, "Partial Content", rangeHeaders(webm, "5368709104-5368709119/5368709120", 16),
          tail}},
        {L"big.webm",
         L"bytes=-16",
         {206, "Partial Content", rangeHeaders(webm, "5368709104-5368709119/5368709120", 16),
          tail}},
        {L"big.webm",
         L"bytes=4294967296-4294967305",
         {206, "Partial Content", rangeHeaders(webm, "4294967296-4294967305/5368709120", 10),
          std::string(10, '\0')}},
        {L"big.webm",
         L"bytes=2147483647-2147483648",
         {206, "Partial Content", rangeHeaders(webm, "2147483647-2147483648/5368709120", 2),
          std::string(2, '\0')}},
        {L"big.webm",
         L"bytes=5368709120-",
         {416, "Range Not Satisfiable", bareHeaders(webm), std::nullopt}},
    };
    for (const RequestCase& c : cases)
        expectAnswer(c);

    // The whole file: correct length, streamed from the file (read only its last bytes).
    Answer whole = answer(L"big.webm", std::nullopt);
    EXPECT_EQ(whole.status, 200);
    EXPECT_EQ(narrow(headerBlock(whole.headerLines)), okHeaders(webm, size));
    ASSERT_TRUE(whole.body);
    LARGE_INTEGER back;
    back.QuadPart = -16;
    ASSERT_EQ(whole.body->Seek(back, STREAM_SEEK_END, nullptr), S_OK);
    EXPECT_EQ(readToEndOnAnotherThread(whole.body.get()), tail);
}

// On Windows the attributes of a symbolic link describe the link (size 0) while the stream that
// is then opened follows it; Wine's GetFileAttributesExW follows links, so the link's own
// attributes are made up here.
TEST_F(AnswerRequestTest, SizeOfAReparsePointComesFromItsTarget) {
    struct SizeCase {
        const wchar_t* name;
        DWORD attributes;
        DWORD reportedSize;
        std::optional<int64_t> expected;
    };
    const SizeCase cases[] = {
        {L"sprites\\hero.png", FILE_ATTRIBUTE_REPARSE_POINT, 0, 1000},
        {L"sprites\\hero.png", FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE, 7, 1000},
        {L"sprites\\hero.png", FILE_ATTRIBUTE_ARCHIVE, 7, 7},          // ordinary files: one call
        {L"img", FILE_ATTRIBUTE_REPARSE_POINT, 0, std::nullopt},       // a link to a folder
        {L"gone.png", FILE_ATTRIBUTE_REPARSE_POINT, 0, std::nullopt},  // a dangling link
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(narrow(c.name));
        WIN32_FILE_ATTRIBUTE_DATA attributes{};
        attributes.dwFileAttributes = c.attributes;
        attributes.nFileSizeLow = c.reportedSize;
        EXPECT_EQ(servedFileSize(folder_.www() + c.name, attributes), c.expected);
    }
}

}  // namespace
}  // namespace quorvane
