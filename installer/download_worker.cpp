#include "installer/download_worker.h"

#include <process.h>
#include <urlmon.h>

#include "installer/download_progress.h"
#include "platform/system_library.h"

namespace quorvane {

namespace {

bool isSuccessStatus(DWORD status) {
    return status >= 200 && status <= 299;
}

// Removes whatever is left at |path| from an earlier run (or was planted there). A read-only file
// is made writable first: left in place it would make every later download fail. Returns whether
// the path is free afterwards.
bool removeLeftover(const std::wstring& path) {
    if (!DeleteFileW(path.c_str()) && GetLastError() == ERROR_ACCESS_DENIED) {
        DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
            DeleteFileW(path.c_str());
        }
    }
    return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
           GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool isNonEmptyFile(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes) &&
           (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes.nFileSizeHigh != 0 || attributes.nFileSizeLow != 0);
}

}  // namespace

bool downloadToFile(const DownloadJob& job) noexcept {
    // Whatever is at the target path afterwards must come from this download. When the path
    // cannot be freed (a folder, a file in use), no download is tried: Wine's URLDownloadToFileW
    // even reports success when it cannot write the file, which would leave the old one in place.
    if (!removeLeftover(job.targetPath))
        return false;

    DownloadProgress progress(job.progressBar);
    // urlmon is not a known DLL: loaded from System32, never imported.
    static const auto download =
        systemFunction<decltype(&URLDownloadToFileW)>(L"urlmon.dll", "URLDownloadToFileW");
    if (download == nullptr)
        return false;
    HRESULT result = download(nullptr, job.link.c_str(), job.targetPath.c_str(), 0,
                              static_cast<IBindStatusCallback*>(&progress));
    if (FAILED(result))
        return false;
    // urlmon can return S_OK for an HTTP error status and leave the error page in the file; the
    // status seen in OnResponse tells the two apart.
    if (progress.httpStatus() != 0)
        return isSuccessStatus(progress.httpStatus());
    // urlmon need not hand every answer's status to the callback (one served from the cache, a
    // non-HTTP link): then the call's own success decides, given a file that is not empty.
    return isNonEmptyFile(job.targetPath);
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
