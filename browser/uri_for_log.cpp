#include "browser/uri_for_log.h"

#include "platform/ascii_case.h"
#include "platform/utf8.h"

namespace quorvane {

namespace {

// Longer hosts do not exist (a DNS name has at most 253 characters).
constexpr size_t kHostLimit = 255;

bool isSchemeCharacter(wchar_t c, bool first) {
    const bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
    if (first)
        return letter;
    return letter || (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.';
}

}  // namespace

std::string schemeAndHost(std::wstring_view uri) {
    const size_t colon = uri.find(L':');
    if (colon == 0 || colon == std::wstring_view::npos)
        return "(invalid)";
    // Scheme characters are ASCII (checked here), so each narrows exactly.
    std::string scheme;
    for (size_t i = 0; i < colon; ++i) {
        if (!isSchemeCharacter(uri[i], i == 0))
            return "(invalid)";
        scheme += static_cast<char>(asciiLower(uri[i]));
    }
    std::wstring_view rest = uri.substr(colon + 1);
    const bool hasAuthority = rest.size() >= 2 && (rest[0] == L'/' || rest[0] == L'\\') &&
                              (rest[1] == L'/' || rest[1] == L'\\');
    if (!hasAuthority)
        return scheme + ":";
    rest.remove_prefix(2);
    std::wstring_view authority = rest.substr(0, rest.find_first_of(L"/\\?#"));
    const size_t userInfo = authority.rfind(L'@');
    if (userInfo != std::wstring_view::npos)
        authority.remove_prefix(userInfo + 1);
    // The port goes; an IPv6 literal keeps its colons inside the brackets.
    const size_t bracket = authority.rfind(L']');
    const size_t port = authority.find(L':', bracket == std::wstring_view::npos ? 0 : bracket);
    std::wstring_view host = authority.substr(0, port);
    if (host.size() > kHostLimit)
        host = host.substr(0, kHostLimit);
    return scheme + "://" + wideToUtf8(host);
}

}  // namespace quorvane
