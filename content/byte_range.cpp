#include "content/byte_range.h"

namespace quorvane {

namespace {

bool isCSpace(wchar_t unit) {
    return unit == L' ' || (unit >= L'\t' && unit <= L'\r');
}

// Reads a decimal number the way strtoll does: leading whitespace, one optional sign, digits up to
// the first non-digit; the rest is ignored. Nothing when there is no digit or the value does not
// fit in 64 signed bits. Negative values come back as their unsigned 64-bit image, which is larger
// than any file size, so every check against the size rejects them.
std::optional<uint64_t> readNumber(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && isCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    uint64_t value = 0;
    size_t digits = 0;
    // The magnitude may reach 2^63 only for a negative number.
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i, ++digits) {
        uint64_t digit = static_cast<uint64_t>(text[i] - L'0');
        if (value > (limit - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (digits == 0)
        return std::nullopt;
    return negative ? uint64_t{0} - value : value;
}

}  // namespace

std::wstring_view trimRangeHeader(std::wstring_view value) {
    while (!value.empty() && isCSpace(value.front()))
        value.remove_prefix(1);
    while (!value.empty() && isCSpace(value.back()))
        value.remove_suffix(1);
    return value;
}

std::optional<ByteRange> parseByteRange(std::wstring_view value, int64_t size) {
    constexpr std::wstring_view kPrefix = L"bytes=";
    if (size <= 0)
        return std::nullopt;
    if (value.substr(0, kPrefix.size()) != kPrefix)
        return std::nullopt;
    const uint64_t fileSize = static_cast<uint64_t>(size);

    std::wstring_view ranges = value.substr(kPrefix.size());
    size_t dash = ranges.find(L'-');
    if (dash == std::wstring_view::npos)
        return std::nullopt;

    if (dash == ranges.size() - 1) {
        // "a-": from a to the end. A lone "-" lands here too, with no number before it.
        std::optional<uint64_t> first = readNumber(ranges.substr(0, dash));
        if (!first || *first >= fileSize)
            return std::nullopt;
        return ByteRange{*first, fileSize - 1};
    }
    if (dash == 0) {
        // "-k": the last k bytes. An empty suffix (k = 0) names no byte at all.
        std::optional<uint64_t> count = readNumber(ranges.substr(1));
        if (!count || *count == 0 || *count > fileSize)
            return std::nullopt;
        return ByteRange{fileSize - *count, fileSize - 1};
    }
    std::optional<uint64_t> first = readNumber(ranges.substr(0, dash));
    std::optional<uint64_t> last = readNumber(ranges.substr(dash + 1));
    if (!first || !last)
        return std::nullopt;
    if (*first >= fileSize || *last >= fileSize || *first > *last)
        return std::nullopt;
    return ByteRange{*first, *last};
}

}  // namespace quorvane
