#include "content/content_server.h"
#include "content/mapped_file_cache.h"

namespace quorvane {

// Placeholder until the content server lands.
HRESULT serveResource(ICoreWebView2WebResourceRequestedEventArgs*) noexcept { return S_OK; }
void releaseMappedFiles() {}

}  // namespace quorvane
