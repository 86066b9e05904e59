#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "content/answer.h"
#include "content/mapped_file_cache.h"

namespace quorvane {

// The answer to a "Range" header (raw |rangeValue|) for an existing file of |size| bytes: 416 with
// no line and no body when the range cannot be satisfied; otherwise 206 with the lines
// "Content-Range: bytes F-L/size" and "Content-Length: n", and a body holding exactly the range:
// the whole file streamed from disk when the range covers it, else a stream over that slice of the
// file's cached view. When the file cannot be opened or mapped the status becomes 500 "Internal
// Server Error" with no body (the two lines stay).
Answer serveRange(std::wstring_view rangeValue, int64_t size, const std::wstring& requestPath,
                  const std::wstring& filePath, MappedFileCache& cache);

}  // namespace quorvane
