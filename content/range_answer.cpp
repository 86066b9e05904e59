#include "content/range_answer.h"

#include "content/byte_range.h"
#include "content/view_slice_stream.h"

namespace quorvane {

Answer serveRange(std::wstring_view rangeValue, int64_t size, const std::wstring& requestPath,
                  const std::wstring& filePath, MappedFileCache& cache) {
    Answer answer;
    std::optional<ByteRange> range = parseByteRange(trimRangeHeader(rangeValue), size);
    if (!range) {
        answer.status = 416;
        answer.reason = kReasonRangeNotSatisfiable;
        return answer;
    }
    const uint64_t fileSize = static_cast<uint64_t>(size);
    answer.headerLines.reserve(2);
    answer.headerLines.push_back(L"Content-Range: bytes " + decimal(range->first) + L"-" +
                                 decimal(range->last) + L"/" + decimal(fileSize));
    answer.headerLines.push_back(L"Content-Length: " + decimal(range->length()));

    if (range->length() == fileSize) {
        answer.body = openFileStream(filePath);
    } else if (std::shared_ptr<const MappedFile> mapped = cache.mappedView(requestPath, filePath)) {
        // The runtime reads the body on its own thread after the handler has returned, exactly to
        // its end, so a stream over the slice serves any range without copying it. A view smaller
        // than the range means the file shrank between the size test and its mapping.
        answer.body = makeViewSliceStream(std::move(mapped), range->first, range->length());
    }
    if (answer.body) {
        answer.status = 206;
        answer.reason = kReasonPartialContent;
    } else {
        answer.status = 500;
        answer.reason = kReasonInternalServerError;
    }
    return answer;
}

}  // namespace quorvane
