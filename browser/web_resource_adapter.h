#pragma once

#include <windows.h>

#include <string>

#include "content/answer.h"
#include "content/mapped_file_cache.h"
#include "webview2/webview2_api.h"

namespace quorvane {

// Answers one WebResourceRequested event for the app origin from the executable's folder +
// contentRoot, with a response made by browserHost.environment, set on |args| before returning
// (see answerRequest for what is answered; the manifest's "cross-origin-isolation" decides the
// isolation lines). When the runtime refuses to make the response, a bare
// 500 is set instead. Never throws; S_OK unless |args| is null.
HRESULT serveResource(ICoreWebView2WebResourceRequestedEventArgs* args) noexcept;

// serveResource with its surroundings given: |contentFolder| ends in "\".
HRESULT serveResourceFrom(ICoreWebView2WebResourceRequestedEventArgs* args,
                          const std::wstring& contentFolder, ICoreWebView2Environment* environment,
                          MappedFileCache& cache, Isolation isolation) noexcept;

}  // namespace quorvane
