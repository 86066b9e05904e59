#include <gtest/gtest.h>

#include <string>

#include "content/content_type_table.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

using testing::narrow;

struct TypeCase {
    const wchar_t* path;
    const wchar_t* type;
};

TEST(ContentTypeTable, KnowsEveryExtensionOfTheList) {
    const TypeCase cases[] = {
        {L"a.html", L"text/html; charset=utf-8"},
        {L"a.htm", L"text/html; charset=utf-8"},
        {L"a.js", L"application/javascript; charset=utf-8"},
        {L"a.mjs", L"application/javascript; charset=utf-8"},
        {L"a.css", L"text/css; charset=utf-8"},
        {L"a.json", L"application/json; charset=utf-8"},
        {L"a.xml", L"text/xml; charset=utf-8"},
        {L"a.csv", L"text/csv; charset=utf-8"},
        {L"a.txt", L"text/plain; charset=utf-8"},
        {L"a.wasm", L"application/wasm"},
        {L"a.png", L"image/png"},
        {L"a.apng", L"image/apng"},
        {L"a.jpg", L"image/jpeg"},
        {L"a.jpeg", L"image/jpeg"},
        {L"a.svg", L"image/svg+xml"},
        {L"a.webp", L"image/webp"},
        {L"a.gif", L"image/gif"},
        {L"a.tif", L"image/tiff"},
        {L"a.tiff", L"image/tiff"},
        {L"a.bmp", L"image/bmp"},
        {L"a.ico", L"image/x-icon"},
        {L"a.avif", L"image/avif"},
        {L"a.webm", L"video/webm"},
        {L"a.m4a", L"audio/mp4"},
        {L"a.mp3", L"audio/mpeg"},
        {L"a.mp4", L"video/mp4"},
        {L"a.mpg", L"video/mpeg"},
        {L"a.mpeg", L"video/mpeg"},
        {L"a.opus", L"audio/ogg; codecs=opus"},
        {L"a.ogg", L"audio/ogg"},
        {L"a.ogv", L"video/ogg"},
        {L"a.flac", L"audio/flac"},
        {L"a.wav", L"audio/wav"},
        {L"a.woff", L"application/font-woff"},
        {L"a.woff2", L"font/woff2"},
        {L"a.ttf", L"application/font-sfnt"},
        {L"a.otf", L"application/font-sfnt"},
        {L"a.eot", L"application/vnd.ms-fontobject"},
        {L"a.zip", L"application/zip"},
        {L"a.pdf", L"application/pdf"},
        {L"a.scml", L"text/xml"},
        {L"a.scon", L"application/json"},
    };
    EXPECT_EQ(contentTypeTable.entries().size(), std::size(cases));
    for (const TypeCase& c : cases) {
        EXPECT_EQ(narrow(contentTypeFor(c.path)), narrow(c.type)) << narrow(c.path);
        // The key is the lower-case extension with its dot, exactly.
        std::wstring extension = std::wstring(c.path).substr(1);
        auto entry = contentTypeTable.entries().find(extension);
        ASSERT_NE(entry, contentTypeTable.entries().end()) << narrow(extension);
        EXPECT_EQ(narrow(entry->second), narrow(c.type));
    }
}

TEST(ContentTypeTable, ChoosesByTheTextAfterTheLastDot) {
    const TypeCase cases[] = {
        {L"Scripts/Main.JS", L"application/javascript; charset=utf-8"},
        {L"index.HTML", L"text/html; charset=utf-8"},
        {L"page.htm", L"text/html; charset=utf-8"},
        {L"IMG/LOGO.PnG", L"image/png"},
        {L"archive.tar.gz", L"application/octet-stream"},
        {L"Makefile", L"application/octet-stream"},
        {L"notes.", L"application/octet-stream"},
        {L"lib.old/readme", L"application/octet-stream"},
        {L"lib.v2/app.js", L"application/javascript; charset=utf-8"},
        {L"audio/theme.opus", L"audio/ogg; codecs=opus"},
        {L"data/level.scon", L"application/json"},
        {L"data/level.json", L"application/json; charset=utf-8"},
        {L"data/anim.scml", L"text/xml"},
        {L"", L"application/octet-stream"},
        {L".", L"application/octet-stream"},
        {L".png", L"image/png"},
        {L"photo.png ", L"application/octet-stream"},
        {L"index.html?v=2", L"application/octet-stream"},
        {L"font.WOFF2", L"font/woff2"},
        {L"a.verylongextension", L"application/octet-stream"},
        {L"a.png.verylongextension", L"application/octet-stream"},
        // Only A-Z are lowered: a dotless capital I or a Kelvin sign does not become ASCII.
        {L"a.\u0130CO", L"application/octet-stream"},
        {L"a.\u212Aey", L"application/octet-stream"},
        {L"\u65e5\u672c.PNG", L"image/png"},
    };
    for (const TypeCase& c : cases) {
        EXPECT_EQ(narrow(contentTypeFor(c.path)), narrow(c.type)) << narrow(c.path);
    }
}

}  // namespace
}  // namespace quorvane
