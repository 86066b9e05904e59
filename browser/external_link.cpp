#include "browser/external_link.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/ascii_case.h"

namespace quorvane {
namespace {

std::function<void(const std::wstring&)>& testOpener() {
    static std::function<void(const std::wstring&)> opener;
    return opener;
}

}  // namespace

bool isExternalLinkAllowed(std::wstring_view uri) {
    size_t colon = uri.find(L':');
    if (colon == std::wstring_view::npos)
        return false;
    std::wstring_view scheme = uri.substr(0, colon);
    return equalsIgnoringAsciiCase(scheme, L"http") || equalsIgnoringAsciiCase(scheme, L"https") ||
           equalsIgnoringAsciiCase(scheme, L"mailto");
}

void openExternalLink(const std::wstring& uri) {
    if (testOpener()) {
        testOpener()(uri);
        return;
    }
    ShellExecuteW(nullptr, L"open", uri.c_str(), nullptr, nullptr, SW_SHOWDEFAULT);
}

void setExternalLinkOpenerForTesting(std::function<void(const std::wstring&)> opener) {
    testOpener() = std::move(opener);
}

}  // namespace quorvane
