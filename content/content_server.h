#pragma once

#include <string>
#include <string_view>

#include "content/answer.h"
#include "content/mapped_file_cache.h"

namespace quorvane {

// The content folder, relative to the executable's folder.
extern const std::wstring contentRoot;

// The answer to a request for |uri| (the full URI, app origin first) carrying the "Range" header
// value |rangeValue|, or none when null, from |contentFolder| (ends in "\"). Every method is
// answered alike: 200 with the file, 206 or 416 for a range, 404 "File not found" for anything
// missing, not a file or outside the content folder, 500 when a file cannot be opened. Every answer
// carries the isolation lines after its own when |isolation| asks for them.
Answer answerRequest(std::wstring_view uri, const std::wstring* rangeValue,
                     const std::wstring& contentFolder, MappedFileCache& cache,
                     Isolation isolation);

}  // namespace quorvane
