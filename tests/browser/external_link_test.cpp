#include <gtest/gtest.h>

#include <string>

#include "content/app_origin.h"
#include "browser/external_link.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

TEST(ExternalLink, OnlyWebAndMailLinksLeaveTheApplication) {
    struct Case {
        const wchar_t* uri;
        bool allowed;
    } cases[] = {
        {L"https://example.com/", true},
        {L"http://example.com/page?q=1", true},
        {L"HTTPS://EXAMPLE.COM/", true},
        {L"Http://example.com", true},
        {L"mailto:someone@example.com", true},
        {L"MailTo:someone@example.com", true},
        {L"https://quorvane.localhost/index.html", true},
        {L"file:///C:/Windows/System32/calc.exe", false},
        {L"FILE://server/share/run.exe", false},
        {L"\\\\server\\share\\run.exe", false},
        {L"C:\\Windows\\System32\\calc.exe", false},
        {L"ms-msdt:/id PCWDiagnostic", false},
        {L"search-ms:query=x&crumb=location:\\\\attacker\\share", false},
        {L"ms-settings:privacy", false},
        {L"javascript:alert(1)", false},
        {L"data:text/html,<b>x</b>", false},
        {L"about:blank", false},
        {L"ftp://example.com/", false},
        {L"httpx://example.com/", false},
        {L"https", false},
        {L"", false},
        {L" https://example.com/", false},
        {L"\thttp://example.com/", false},
        {L"ht\x0131ps://example.com/", false},  // dotless i must not fold to "https"
        {L"\xFF28ttps://example.com/", false},  // fullwidth H
        {L"https\0://example.com/", false},     // cut at the NUL: no scheme separator
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isExternalLinkAllowed(c.uri), c.allowed) << testing::narrow(c.uri);
    }
}

TEST(AppOrigin, IsAnHttpsOriginUnderLocalhostEndingInASlash) {
    ASSERT_GE(appOrigin.size(), 20u);
    EXPECT_EQ(appOrigin.substr(0, 8), L"https://");
    EXPECT_EQ(appOrigin.substr(appOrigin.size() - 11), L".localhost/");
    EXPECT_EQ(appOrigin.find(L'/', 8), appOrigin.size() - 1);
}

TEST(AppOrigin, PrefixTestIsExactAndCaseSensitive) {
    const std::wstring upper = L"HTTPS://QUORVANE.LOCALHOST/";
    struct Case {
        std::wstring text;
        bool begins;
    } cases[] = {
        {appOrigin, true},
        {appOrigin + L"index.html", true},
        {appOrigin + L"deep/path/page.html?x=1#y", true},
        {appOrigin.substr(0, appOrigin.size() - 1), false},
        {L"", false},
        {upper, false},
        {L"http://quorvane.localhost/", false},
        {L"https://quorvane.localhost.example.com/", false},
        {L"https://quorvane.localhost:443/", false},
        {L"https://evil.example/?https://quorvane.localhost/", false},
        {L"about:blank", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(beginsWithAppOrigin(c.text), c.begins) << testing::narrow(c.text);
    }
}

}  // namespace
}  // namespace quorvane
