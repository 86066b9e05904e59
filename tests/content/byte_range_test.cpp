#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "content/byte_range.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

using testing::narrow;

constexpr uint64_t kNone = ~uint64_t{0};

struct RangeCase {
    const wchar_t* value;
    int64_t size;
    uint64_t first;  // kNone: not satisfiable
    uint64_t last;
};

TEST(ParseByteRange, ReadsTheThreeFormsAndRefusesWhatCannotBeSatisfied) {
    const int64_t big = int64_t{3} << 30;  // 3 GiB
    const RangeCase cases[] = {
        // Closed, open-ended and suffix forms on a 1000-byte file.
        {L"bytes=0-", 1000, 0, 999},
        {L"bytes=100-199", 1000, 100, 199},
        {L"bytes=-100", 1000, 900, 999},
        {L"bytes=-1000", 1000, 0, 999},
        {L"bytes=-1001", 1000, kNone, 0},
        {L"bytes=0-0", 1000, 0, 0},
        {L"bytes=999-999", 1000, 999, 999},
        {L"bytes=999-", 1000, 999, 999},
        {L"bytes=-1", 1000, 999, 999},
        {L"bytes=0-999", 1000, 0, 999},
        {L"bytes=0-1000", 1000, kNone, 0},
        {L"bytes=1000-", 1000, kNone, 0},
        {L"bytes=1000-1000", 1000, kNone, 0},
        {L"bytes=500-100", 1000, kNone, 0},
        // Prefix: exact and case-sensitive, nothing before it.
        {L"Bytes=0-99", 1000, kNone, 0},
        {L"BYTES=0-99", 1000, kNone, 0},
        {L" bytes=0-99", 1000, kNone, 0},
        {L"byte=0-99", 1000, kNone, 0},
        {L"bytes 0-99", 1000, kNone, 0},
        {L"bytes", 1000, kNone, 0},
        {L"", 1000, kNone, 0},
        {L"items=0-99", 1000, kNone, 0},
        {L"bytes=5", 1000, kNone, 0},
        {L"bytes=", 1000, kNone, 0},
        // Numbers: whitespace and a sign before them, anything after the digits ignored.
        {L"bytes= 10 - 19", 1000, 10, 19},
        {L"bytes=\t10-\t19", 1000, 10, 19},
        {L"bytes=+10-+19", 1000, 10, 19},
        {L"bytes=010-019", 1000, 10, 19},
        {L"bytes=0-99,200-299", 1000, 0, 99},
        {L"bytes=10-19junk", 1000, 10, 19},
        {L"bytes=10x-19", 1000, 10, 19},
        // The first dash decides the form; a leading dash makes a suffix whose number ends at
        // its first non-digit.
        {L"bytes=-5-", 1000, 995, 999},
        {L"bytes=-10-20", 1000, 990, 999},
        {L"bytes=--5", 1000, kNone, 0},
        {L"bytes=5--10", 1000, kNone, 0},
        // Numbers that cannot be converted answer "not satisfiable" too.
        {L"bytes=-", 1000, kNone, 0},
        {L"bytes=x-9", 1000, kNone, 0},
        {L"bytes=5-,9", 1000, kNone, 0},
        {L"bytes=5-x", 1000, kNone, 0},
        {L"bytes=- ", 1000, kNone, 0},
        {L"bytes=+-9", 1000, kNone, 0},
        {L"bytes=99999999999-", 1000, kNone, 0},
        {L"bytes=0-99999999999", 1000, kNone, 0},
        {L"bytes=-99999999999", 1000, kNone, 0},
        {L"bytes=99999999999999999999-", 1000, kNone, 0},
        {L"bytes=0-99999999999999999999", big, kNone, 0},
        {L"bytes=-9223372036854775808", 1000, kNone, 0},
        {L"bytes=9223372036854775807-", 1000, kNone, 0},
        // An empty suffix names no byte.
        {L"bytes=-0", 1000, kNone, 0},
        {L"bytes=-00", 1000, kNone, 0},
        // An empty file satisfies nothing; a one-byte file only byte 0.
        {L"bytes=0-", 0, kNone, 0},
        {L"bytes=0-0", 0, kNone, 0},
        {L"bytes=-1", 0, kNone, 0},
        {L"bytes=0-0", 1, 0, 0},
        {L"bytes=-1", 1, 0, 0},
        {L"bytes=-2", 1, kNone, 0},
        {L"bytes=1-", 1, kNone, 0},
        // Past 2 GiB and 4 GiB the numbers are 64-bit.
        {L"bytes=3221225471-", big, 3221225471, 3221225471},
        {L"bytes=2147483648-2147483747", big, 2147483648, 2147483747},
        {L"bytes=-4294967296", big, kNone, 0},
        {L"bytes=-1073741824", big, 2147483648, 3221225471},
        {L"bytes=3221225472-", big, kNone, 0},
        {L"bytes=4294967296-4294967297", int64_t{5} << 30, 4294967296, 4294967297},
    };
    for (const RangeCase& c : cases) {
        std::optional<ByteRange> range = parseByteRange(c.value, c.size);
        if (c.first == kNone) {
            EXPECT_FALSE(range.has_value()) << narrow(c.value) << " size " << c.size << " gave "
                                            << range->first << "-" << range->last;
        } else {
            ASSERT_TRUE(range.has_value()) << narrow(c.value) << " size " << c.size;
            EXPECT_EQ(*range, (ByteRange{c.first, c.last})) << narrow(c.value);
        }
    }
}

TEST(ParseByteRange, ByteCountIncludesBothEnds) {
    EXPECT_EQ((ByteRange{0, 0}).length(), 1u);
    EXPECT_EQ((ByteRange{100, 199}).length(), 100u);
    EXPECT_EQ((ByteRange{0, 3221225471}).length(), 3221225472u);
}

TEST(TrimRangeHeader, RemovesCWhitespaceAtBothEndsOnly) {
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"  bytes=0-1  ", L"bytes=0-1"},
        {L"\t\n\v\f\rbytes=0-1\r\n", L"bytes=0-1"},
        {L"bytes= 0 - 1", L"bytes= 0 - 1"},
        {L"\u00A0bytes=0-1\u3000", L"\u00A0bytes=0-1\u3000"},
        {L"   ", L""},
        {L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(narrow(std::wstring(trimRangeHeader(c.in))), narrow(c.out)) << narrow(c.in);
    }
}

}  // namespace
}  // namespace quorvane
