#include "content/content_server.h"

#include <shlwapi.h>

#include <optional>

#include "content/app_origin.h"
#include "content/content_type_table.h"
#include "content/file_size.h"
#include "content/range_answer.h"
#include "content/request_path.h"
#include "platform/ascii_case.h"

namespace quorvane {

const std::wstring contentRoot = L"www\\";

namespace {

constexpr char kNotFoundBody[] = "File not found";

Answer notFound() {
    Answer answer;
    answer.status = 404;
    answer.reason = kReasonNotFound;
    answer.headerLines.push_back(L"Cache-Control: no-store");
    answer.body.reset(
        SHCreateMemStream(reinterpret_cast<const BYTE*>(kNotFoundBody), sizeof kNotFoundBody - 1));
    return answer;
}

Answer answerFromFolder(std::wstring_view uri, const std::wstring* rangeValue,
                        const std::wstring& contentFolder, MappedFileCache& cache) {
    // The runtime's filter only lets the origin's URIs through; anything else is not ours.
    if (uri.size() < appOrigin.size() ||
        !equalsIgnoringAsciiCase(uri.substr(0, appOrigin.size()), appOrigin)) {
        return notFound();
    }
    // The query names no file: "game.js?v=3" is game.js. Only a literal "?" starts it; an encoded
    // "%3F" is part of the name.
    std::wstring_view encodedPath = uri.substr(appOrigin.size());
    encodedPath = encodedPath.substr(0, encodedPath.find(L'?'));
    const std::wstring requestPath = decodeRequestPath(encodedPath);
    if (!isServablePath(requestPath))
        return notFound();
    const std::wstring filePath = filePathFor(contentFolder, requestPath);

    // One call tells existence, kind and, for an ordinary file, the 64-bit size. Folders (the
    // bare origin among them) are not served: there is no default document.
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(filePath.c_str(), GetFileExInfoStandard, &attributes) ||
        (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return notFound();
    }
    const std::optional<int64_t> fileSize = servedFileSize(filePath, attributes);
    if (!fileSize)
        return notFound();
    const int64_t size = *fileSize;

    Answer answer;
    if (rangeValue != nullptr) {
        answer = serveRange(*rangeValue, size, requestPath, filePath, cache);
    } else {
        answer.body = openFileStream(filePath);
        if (answer.body) {
            answer.status = 200;
            answer.reason = kReasonOk;
            answer.headerLines.push_back(L"Content-Length: " +
                                         decimal(static_cast<uint64_t>(size)));
        } else {
            // Exists but cannot be read, typically held by another program that denies reading.
            answer.status = 500;
            answer.reason = kReasonInternalServerError;
        }
    }
    answer.headerLines.insert(
        answer.headerLines.begin(),
        {L"Cache-Control: no-store", L"Content-Type: " + contentTypeFor(requestPath),
         L"Accept-Ranges: bytes"});
    return answer;
}

}  // namespace

Answer answerRequest(std::wstring_view uri, const std::wstring* rangeValue,
                     const std::wstring& contentFolder, MappedFileCache& cache,
                     Isolation isolation) {
    Answer answer = answerFromFolder(uri, rangeValue, contentFolder, cache);
    addIsolationHeaders(answer, isolation);
    return answer;
}

}  // namespace quorvane
