#include "content/answer.h"

#include <windows.h>
#include <shlwapi.h>

namespace quorvane {

Answer internalError(Isolation isolation) {
    Answer answer;
    answer.status = 500;
    answer.reason = kReasonInternalServerError;
    answer.headerLines.push_back(L"Cache-Control: no-store");
    addIsolationHeaders(answer, isolation);
    return answer;
}

void addIsolationHeaders(Answer& answer, Isolation isolation) {
    if (isolation != Isolation::CrossOrigin)
        return;
    // The opener and embedder policies together isolate the page; the resource policy lets it
    // embed its own resources under require-corp and keeps other sites from embedding them.
    answer.headerLines.insert(
        answer.headerLines.end(),
        {L"Cross-Origin-Opener-Policy: same-origin", L"Cross-Origin-Embedder-Policy: require-corp",
         L"Cross-Origin-Resource-Policy: same-origin"});
}

ComRef<IStream> openFileStream(const std::wstring& filePath) {
    ComRef<IStream> stream;
    // Mode 0 is STGM_READ with compatibility sharing, which opens for reading and lets others read
    // and write; the create flag FALSE never makes a file.
    if (FAILED(
            SHCreateStreamOnFileEx(filePath.c_str(), STGM_READ, 0, FALSE, nullptr, stream.put()))) {
        stream.reset();
    }
    return stream;
}

std::wstring decimal(uint64_t number) {
    wchar_t digits[20];
    size_t count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + number % 10);
        number /= 10;
    } while (number != 0);
    std::wstring text(count, L'0');
    for (size_t i = 0; i < count; ++i)
        text[i] = digits[count - 1 - i];
    return text;
}

std::wstring headerBlock(const std::vector<std::wstring>& lines) {
    size_t length = 0;
    for (const std::wstring& line : lines)
        length += line.size() + 1;
    std::wstring block;
    block.reserve(length);
    for (const std::wstring& line : lines) {
        if (!block.empty())
            block += L'\n';
        block += line;
    }
    return block;
}

}  // namespace quorvane
