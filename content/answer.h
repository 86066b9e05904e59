#pragma once

#include <objidl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com_ref.h"

namespace quorvane {

// What the content server answers one request with, before it becomes a runtime response.
struct Answer {
    int status = 0;
    const wchar_t* reason = L"";
    std::vector<std::wstring> headerLines;
    ComRef<IStream> body;  // none for 416 and 500
};

// Whether every answer also carries the headers that make the page cross-origin isolated, which
// browsers require before they give it SharedArrayBuffer (threads in WebAssembly).
enum class Isolation { None, CrossOrigin };

inline constexpr wchar_t kReasonOk[] = L"OK";
inline constexpr wchar_t kReasonPartialContent[] = L"Partial Content";
inline constexpr wchar_t kReasonNotFound[] = L"Not Found";
inline constexpr wchar_t kReasonRangeNotSatisfiable[] = L"Range Not Satisfiable";
inline constexpr wchar_t kReasonInternalServerError[] = L"Internal Server Error";

// A bare 500 "Internal Server Error" with "Cache-Control: no-store" (and the isolation lines) and
// no body: what is answered when no better answer can be made.
Answer internalError(Isolation isolation);

// Appends to |answer|'s lines "Cross-Origin-Opener-Policy: same-origin",
// "Cross-Origin-Embedder-Policy: require-corp" and "Cross-Origin-Resource-Policy: same-origin"
// when |isolation| asks for them; with Isolation::None the lines stay exactly as they are.
void addIsolationHeaders(Answer& answer, Isolation isolation);

// A read-only stream over the whole file at |filePath|, opened with read and write sharing and
// never created. Null when the file cannot be opened (gone, a folder, or held by someone who denies
// reading).
ComRef<IStream> openFileStream(const std::wstring& filePath);

// |number| in plain decimal digits.
std::wstring decimal(uint64_t number);

// |lines| joined by single line feeds, without one after the last line.
std::wstring headerBlock(const std::vector<std::wstring>& lines);

}  // namespace quorvane
