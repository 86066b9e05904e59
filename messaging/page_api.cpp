#include "messaging/page_api.h"

#include "messaging/file_worker.h"
#include "messaging/save_requests.h"

namespace quorvane {

void startPageApi(HWND window, const std::wstring& folder) {
    startFileWorker([window] { PostMessageW(window, kFileWorkDoneMessage, 0, 0); });
    useSavesFolder(folder);
}

void stopPageApi() {
    stopFileWorker();
}

}  // namespace quorvane
