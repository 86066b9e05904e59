#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

// How values are written into the stand-in runtime's transcript lines (see standin_test_api.h).
// Shared by the stand-in and by the tests that compute the lines they expect.
namespace quorvane::standin {

// Keeps a value on one line: CR, LF and TAB become \r, \n and \t, other control characters \xHH.
// Everything else, backslashes included, is written as it is.
std::wstring escapeText(std::wstring_view text);

// "(null)" for a null string, else the escaped text.
std::wstring textOrNull(const wchar_t* text);

// A response body: "body[N]=" and the bytes (printable ASCII as is, CR/LF/TAB as \r \n \t, every
// other byte \xHH) up to kLargeBody bytes; above that "body[N]~fnv1a64:" and 16 lowercase hex
// digits.
inline constexpr size_t kLargeBody = 4096;
std::wstring describeBody(std::string_view bytes);

// FNV-1a, 64 bits.
std::uint64_t fnv1a64(std::string_view bytes);

// A rectangle as "left,top,right,bottom".
std::wstring rectText(const RECT& r);

// "0x" and 8 uppercase hex digits.
std::wstring hresultText(HRESULT hr);

}  // namespace quorvane::standin
