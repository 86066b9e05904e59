#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "browser/webview2_api.h"
#include "content/answer.h"
#include "content/mapped_file_cache.h"

namespace quorvane {

// Answers one WebResourceRequested event for the app origin from appFolder() + contentRoot, with
// a response made by browserHost.environment, set on |args| before returning. Every method is
// answered alike: 200 with the file, 206 or 416 for a "Range" header, 404 "File not found" for
// anything missing, not a file or outside the content folder, 500 when a file cannot be opened or
// something fails inside. Never throws; S_OK unless |args| is null.
HRESULT serveResource(ICoreWebView2WebResourceRequestedEventArgs* args) noexcept;

// serveResource with its surroundings given: |contentFolder| ends in "\".
HRESULT serveResourceFrom(ICoreWebView2WebResourceRequestedEventArgs* args,
                          const std::wstring& contentFolder, ICoreWebView2Environment* environment,
                          MappedFileCache& cache) noexcept;

// The answer to a request for |uri| (the full URI, app origin first) carrying the "Range" header
// value |rangeValue|, or none when null.
Answer answerRequest(std::wstring_view uri, const std::wstring* rangeValue,
                     const std::wstring& contentFolder, MappedFileCache& cache);

}  // namespace quorvane
