#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvane {

// One byte range of a file, both offsets inclusive: last - first + 1 bytes.
struct ByteRange {
    uint64_t first = 0;
    uint64_t last = 0;

    uint64_t length() const { return last - first + 1; }
    bool operator==(const ByteRange&) const = default;
};

// The single range a "Range" header value asks for in a file of |size| bytes, or nothing when it
// cannot be satisfied. |value| is already trimmed. Accepts "bytes=a-b", "bytes=a-" and
// "bytes=-k" (the last k bytes, k > 0); of a list only the first range is read. Each number may be
// preceded by whitespace and a sign and ends at its first non-digit. A number with no digit or
// beyond 64 bits, a negative number, an offset at or past the end, a start after the end, an empty
// or over-long suffix and an empty file are all unsatisfiable: nothing is clamped.
std::optional<ByteRange> parseByteRange(std::wstring_view value, int64_t size);

// |value| without the leading and trailing units that C's isspace accepts (space, \t \n \v \f \r).
std::wstring_view trimRangeHeader(std::wstring_view value);

}  // namespace quorvane
