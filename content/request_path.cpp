#include "content/request_path.h"

#include "platform/windows_names.h"

namespace quorvane {

namespace {

// Decoded paths must fit, with their terminator, in the 2048 units a URL may use here.
constexpr size_t kMaxDecodedUnits = 2048;

int hexValue(wchar_t unit) {
    if (unit >= L'0' && unit <= L'9')
        return unit - L'0';
    if (unit >= L'a' && unit <= L'f')
        return unit - L'a' + 10;
    if (unit >= L'A' && unit <= L'F')
        return unit - L'A' + 10;
    return -1;
}

// The byte escaped at |at| ("%XX"), or -1.
int escapedByte(std::wstring_view text, size_t at) {
    if (at + 2 >= text.size() || text[at] != L'%')
        return -1;
    int high = hexValue(text[at + 1]);
    int low = hexValue(text[at + 2]);
    return (high < 0 || low < 0) ? -1 : high * 16 + low;
}

// Decodes the UTF-8 sequence whose lead byte |lead| is escaped at |at|, its continuation bytes
// escaped right after it. Returns the number of escapes used (0 if the sequence is not well-formed
// UTF-8: overlong forms, surrogates and values past U+10FFFF included) and the code point.
size_t utf8Sequence(std::wstring_view text, size_t at, int lead, char32_t* codePoint) {
    size_t length = 0;
    char32_t value = 0;
    int low = 0x80, high = 0xBF;  // allowed range of the first continuation byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = static_cast<char32_t>(lead & 0x1F);
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = static_cast<char32_t>(lead & 0x0F);
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = static_cast<char32_t>(lead & 0x07);
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        int byte = escapedByte(text, at + 3 * i);
        if (byte < low || byte > high)
            return 0;
        value = (value << 6) | static_cast<char32_t>(byte & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    *codePoint = value;
    return length;
}

bool isServableSegment(std::wstring_view segment) {
    // Empty segments ("a//b", a trailing "/") are harmless: Windows collapses the doubled
    // separator, and a trailing one names a folder, which is not served.
    if (segment.empty())
        return true;
    if (segment.back() == L'.' || segment.back() == L' ')
        return false;
    return !isDeviceName(segment);
}

}  // namespace

std::wstring decodeRequestPath(std::wstring_view encoded) {
    std::wstring decoded;
    decoded.reserve(encoded.size());
    for (size_t i = 0; i < encoded.size();) {
        int byte = escapedByte(encoded, i);
        if (byte < 0) {
            decoded += encoded[i++];
            continue;
        }
        char32_t codePoint = 0;
        size_t length = byte >= 0x80 ? utf8Sequence(encoded, i, byte, &codePoint) : 0;
        if (length == 0) {
            decoded += static_cast<wchar_t>(byte);
            i += 3;
            continue;
        }
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            decoded += static_cast<wchar_t>(0xD800 + (codePoint >> 10));
            decoded += static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
        } else {
            decoded += static_cast<wchar_t>(codePoint);
        }
        i += 3 * length;
    }
    if (decoded.size() + 1 > kMaxDecodedUnits)
        return std::wstring(encoded);
    return decoded;
}

bool isServablePath(std::wstring_view requestPath) {
    if (requestPath.empty())
        return false;
    // "/" separates the segments; every other character Windows refuses in a name is refused.
    for (wchar_t unit : requestPath) {
        if (unit != L'/' && isReservedNameCharacter(unit))
            return false;
    }
    for (size_t start = 0;;) {
        size_t slash = requestPath.find(L'/', start);
        if (!isServableSegment(requestPath.substr(start, slash - start)))
            return false;
        if (slash == std::wstring_view::npos)
            return true;
        start = slash + 1;
    }
}

std::wstring filePathFor(const std::wstring& contentFolder, std::wstring_view requestPath) {
    std::wstring path;
    path.reserve(contentFolder.size() + requestPath.size());
    path += contentFolder;
    for (wchar_t unit : requestPath)
        path += unit == L'/' ? L'\\' : unit;
    return path;
}

}  // namespace quorvane
