#include "tests/standin/transcript_format.h"

#include <cstdio>

namespace quorvane::standin {

namespace {

void appendEscaped(std::wstring& out, unsigned code) {
    switch (code) {
        case L'\r':
            out += L"\\r";
            return;
        case L'\n':
            out += L"\\n";
            return;
        case L'\t':
            out += L"\\t";
            return;
        default:
            break;
    }
    wchar_t hex[8];
    swprintf(hex, 8, L"\\x%02X", code);
    out += hex;
}

}  // namespace

std::wstring escapeText(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c < 0x20 || c == 0x7F) {
            appendEscaped(out, c);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::wstring textOrNull(const wchar_t* text) {
    return text == nullptr ? std::wstring(L"(null)") : escapeText(text);
}

std::uint64_t fnv1a64(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::wstring describeBody(std::string_view bytes) {
    std::wstring out = L"body[" + std::to_wstring(bytes.size()) + L"]";
    if (bytes.size() > kLargeBody) {
        wchar_t hex[24];
        swprintf(hex, 24, L"%016llx", static_cast<unsigned long long>(fnv1a64(bytes)));
        return out + L"~fnv1a64:" + hex;
    }
    out += L"=";
    for (unsigned char byte : bytes) {
        if (byte >= 0x20 && byte < 0x7F) {
            out.push_back(static_cast<wchar_t>(byte));
        } else {
            appendEscaped(out, byte);
        }
    }
    return out;
}

std::wstring hresultText(HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08X", static_cast<unsigned>(hr));
    return text;
}

std::wstring rectText(const RECT& r) {
    return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," +
           std::to_wstring(r.right) + L"," + std::to_wstring(r.bottom);
}

}  // namespace quorvane::standin
