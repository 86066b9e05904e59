#include "installer/download_worker.h"

#include <process.h>
#include <urlmon.h>

#include "installer/download_progress.h"

namespace quorvane {

namespace {

bool isSuccessStatus(DWORD status) {
    return status >= 200 && status <= 299;
}

}  // namespace

bool downloadToFile(const DownloadJob& job) noexcept {
    // A file left from an earlier run (or planted there) must never be taken for this download.
    // If it cannot be deleted, the download below cannot replace it either and reports failure.
    DeleteFileW(job.targetPath.c_str());

    DownloadProgress progress(job.progressBar);
    HRESULT result = URLDownloadToFileW(nullptr, job.link.c_str(), job.targetPath.c_str(), 0,
                                        static_cast<IBindStatusCallback*>(&progress));
    // urlmon can return S_OK for an HTTP error status and leave the error page in the file; the
    // status seen in OnResponse tells the two apart.
    return SUCCEEDED(result) && isSuccessStatus(progress.httpStatus());
}

unsigned __stdcall downloadWorker(void* argument) noexcept {
    auto* job = static_cast<DownloadJob*>(argument);
    job->downloaded = downloadToFile(*job);
    // Returns once the UI thread has destroyed the window; at once if the user already closed it.
    SendMessageW(job->progressWindow, WM_CLOSE, 0, 0);
    _endthreadex(0);
    return 0;
}

}  // namespace quorvane
