#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/standin/standin_client.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

#ifndef QV_LINK_RECORDER
#error "QV_LINK_RECORDER must name the link recorder program"
#endif

namespace quorvane::testing {
namespace {

// Registers the link recorder as the handler of some URL schemes for the life of the object, so
// that what the shell hands to ShellExecuteW lands in a file instead of a browser. Wine's
// ShellExecuteW reads the machine's classes (HKEY_LOCAL_MACHINE\Software\Classes, where its own
// winebrowser is registered for web links), not the user's; every value changed is put back.
// The registration lives in the shared test prefix: this test runs alone.
class SchemeHandlers {
public:
    SchemeHandlers(const std::vector<std::wstring>& schemes, const std::wstring& log) {
        const std::wstring command = L"\"" + buildOutputPath(QV_LINK_RECORDER) + L"\" \"" + log +
                                     L"\" \"%1\"";
        for (const std::wstring& scheme : schemes) {
            const std::wstring key = L"Software\\Classes\\" + scheme;
            Saved saved{key, false, {}};
            HKEY existing = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &existing) ==
                ERROR_SUCCESS) {
                saved.existed = true;
                RegCloseKey(existing);
                saved.command = readDefault(key + L"\\shell\\open\\command");
            }
            saved_.push_back(saved);
            if (!saved.existed) {
                setDefault(key, L"URL:" + scheme);
                setValue(key, L"URL Protocol", L"");
            }
            setDefault(key + L"\\shell\\open\\command", command);
        }
    }
    ~SchemeHandlers() {
        for (const Saved& saved : saved_) {
            if (!saved.existed) {
                RegDeleteTreeW(HKEY_LOCAL_MACHINE, saved.key.c_str());
            } else {
                setDefault(saved.key + L"\\shell\\open\\command", saved.command);
            }
        }
    }

private:
    struct Saved {
        std::wstring key;
        bool existed;
        std::wstring command;
    };
    static std::wstring readDefault(const std::wstring& key) {
        wchar_t value[2048] = {};
        DWORD size = sizeof value;
        RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value,
                     &size);
        return value;
    }
    static void setValue(const std::wstring& key, const wchar_t* name, const std::wstring& text) {
        HKEY handle = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &handle, nullptr);
        RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(handle);
    }
    static void setDefault(const std::wstring& key, const std::wstring& text) {
        setValue(key, nullptr, text);
    }

    std::vector<Saved> saved_;
};

std::vector<std::string> linesOf(const std::wstring& path) {
    std::vector<std::string> lines;
    if (!fileExists(path)) return lines;
    std::string text = readFile(path);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

TEST(NewWindowLinks, WebAndMailLinksGoToTheirProgramsAndEverythingElseIsDropped) {
    TempDir logFolder;
    const std::wstring log = logFolder / L"links.txt";
    SchemeHandlers handlers({L"http", L"https", L"mailto", L"ms-settings", L"search-ms",
                             L"ms-msdt", L"quorvanetest"},
                            log);
    const std::vector<std::string> handedOver = {
        "https://example.com/credits", "http://example.com/page?x=1",
        "mailto:team@example.com", "https://quorvane.localhost/index.html"};
    const std::vector<std::string> dropped = {
        "ms-settings:privacy", "search-ms:query=x", "ms-msdt:/id PCWDiagnostic",
        "quorvanetest:run", "file:///C:/windows/system32/winver.exe"};
    std::string steps = "[";
    for (const auto* list : {&handedOver, &dropped}) {
        for (const std::string& uri : *list) {
            steps += R"({"do":"newWindow","uri":")" + uri + R"(","userInitiated":true},)";
        }
    }
    steps += R"({"do":"wait","ms":1500},{"do":"close"}])";
    ShellApp app(R"({"name":"links"})");
    RunResult run = runShell(app, steps);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.linesStartingWith("new window handled="),
              std::vector<std::string>(handedOver.size() + dropped.size(),
                                       "new window handled=1 newWindow=none"));
    // The programs start asynchronously: give the last of them a moment to write.
    std::vector<std::string> recorded;
    for (int i = 0; i < 50 && recorded.size() < handedOver.size(); ++i) {
        Sleep(100);
        recorded = linesOf(log);
    }
    std::sort(recorded.begin(), recorded.end());
    std::vector<std::string> expected = handedOver;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(recorded, expected);
}

}  // namespace
}  // namespace quorvane::testing
