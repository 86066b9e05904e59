#include "tools/pack/windows_names.h"

#include "platform/utf8.h"
#include "platform/windows_names.h"

namespace quorvane::pack {

std::string unholdableName(std::wstring_view name) {
    for (wchar_t unit : name) {
        if (unit < 32)
            return "a control character is not allowed in names";
        if (isReservedNameCharacter(unit))
            return std::string("\"") + wideToUtf8(std::wstring_view(&unit, 1)) +
                   "\" is not allowed in names";
    }
    if (name.empty())
        return "an empty name";
    if (name.back() == L'.')
        return "it ends in a dot";
    if (name.back() == L' ')
        return "it ends in a blank";
    if (isDeviceName(name)) {
        const std::wstring_view stem = name.substr(0, name.find_first_of(L". "));
        return wideToUtf8(stem) + " is a device name";
    }
    return {};
}

std::string unusablePath(std::wstring_view path) {
    size_t start = 0;
    if (path.rfind(L"\\\\?\\", 0) == 0) {
        start = 4;
    } else if (path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') &&
               (path[1] == L'\\' || path[1] == L'/')) {
        // \\server\share: the share's own name is the server's business.
        const size_t server = path.find_first_of(L"\\/", 2);
        const size_t share =
            server == std::wstring_view::npos ? server : path.find_first_of(L"\\/", server + 1);
        if (share == std::wstring_view::npos)
            return {};
        start = share + 1;
    }
    if (path.size() >= start + 2 && path[start + 1] == L':')
        start += 2;
    while (start < path.size()) {
        size_t end = path.find_first_of(L"\\/", start);
        if (end == std::wstring_view::npos)
            end = path.size();
        const std::wstring_view part = path.substr(start, end - start);
        if (!part.empty() && part != L"." && part != L"..") {
            const std::string why = unholdableName(part);
            if (!why.empty())
                return std::string("\"") + wideToUtf8(part) + "\": " + why;
        }
        start = end + 1;
    }
    return {};
}

}  // namespace quorvane::pack
