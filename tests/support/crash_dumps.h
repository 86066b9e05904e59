#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::testing {

// The names of the dumps in <|folder|>\crashes, sorted.
std::vector<std::wstring> crashDumpsIn(const std::wstring& folder);

// The exception code in a minidump's exception stream; 0 when |dump| is no minidump or has no
// such stream.
uint32_t dumpedExceptionCode(const std::string& dump);

}  // namespace quorvane::testing
