#include "messaging/page_api.h"

#include "messaging/page_worker.h"
#include "messaging/save_requests.h"

namespace quorvane {

void startPageApi(HWND window, const std::wstring& folder) {
    startPageWorker([window] { PostMessageW(window, kPageWorkMessage, 0, 0); });
    useSavesFolder(folder);
}

void stopPageApi() {
    stopPageWorker();
}

}  // namespace quorvane
