#pragma once

#include <windows.h>

#include <cstddef>
#include <string_view>

namespace quorvane {

// Text put together in a buffer of its own, never touching the heap, for code that may run while
// the process is crashing. What does not fit is left out.
template <size_t Capacity>
class FixedText {
  public:
    const char* data() const { return text_; }
    size_t size() const { return length_; }
    std::string_view view() const { return {text_, length_}; }
    // Shortens the text to |length| characters (nothing happens when it is not longer).
    void truncate(size_t length) {
        if (length < length_)
            length_ = length;
    }

    FixedText& append(std::string_view part) {
        for (char c : part) {
            if (length_ == Capacity)
                break;
            text_[length_++] = c;
        }
        return *this;
    }
    FixedText& appendDecimal(unsigned long long value) {
        char digits[24];
        size_t count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (count > 0)
            append(std::string_view(&digits[--count], 1));
        return *this;
    }
    // "0x" and |digits| uppercase hex digits.
    FixedText& appendHex(unsigned long long value, int digits) {
        static const char hex[] = "0123456789ABCDEF";
        append("0x");
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
            append(std::string_view(&hex[(value >> shift) & 15], 1));
        return *this;
    }
    // The time in UTC: "2026-05-01T10:20:30.123Z", or with |compact| "20260501T102030.123Z"
    // (usable in a file name).
    FixedText& appendUtcTime(const SYSTEMTIME& time, bool compact = false) {
        const std::string_view dash = compact ? "" : "-";
        const std::string_view colon = compact ? "" : ":";
        appendDecimal(time.wYear).append(dash).appendPadded(time.wMonth, 2).append(dash);
        appendPadded(time.wDay, 2).append("T").appendPadded(time.wHour, 2).append(colon);
        appendPadded(time.wMinute, 2).append(colon).appendPadded(time.wSecond, 2).append(".");
        return appendPadded(time.wMilliseconds, 3).append("Z");
    }

  private:
    FixedText& appendPadded(unsigned value, int width) {
        char digits[8];
        for (int i = width - 1; i >= 0; --i, value /= 10)
            digits[i] = static_cast<char>('0' + value % 10);
        return append(std::string_view(digits, static_cast<size_t>(width)));
    }

    char text_[Capacity];
    size_t length_ = 0;
};

}  // namespace quorvane
