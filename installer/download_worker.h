#pragma once

#include <windows.h>

#include <string>

namespace quorvane {

// What the install flow hands to the download worker. The flow fills every field but
// |downloaded| before the worker starts; the worker writes |downloaded| once, before it closes
// the progress window, and the flow reads it only after it has joined the worker thread.
struct DownloadJob {
    std::wstring link;
    std::wstring targetPath;
    HWND progressWindow = nullptr;
    HWND progressBar = nullptr;
    // True only when this run's download succeeded: the download call returned success and the
    // server answered with a 2xx status, or, when no status was reported, left a non-empty file.
    bool downloaded = false;
};

// Fetches |job.link| into |job.targetPath|, moving |job.progressBar| as data arrives. Whatever is
// at the target path is removed first (nothing is downloaded when it cannot be), so a file there
// afterwards comes from this download. Returns whether the download succeeded (as
// |DownloadJob::downloaded|).
bool downloadToFile(const DownloadJob& job) noexcept;

// The worker thread's procedure (the _beginthreadex form), given the address of a DownloadJob:
// downloads, records the outcome in the job, closes the progress window whatever the outcome,
// and ends the thread with exit code 0.
unsigned __stdcall downloadWorker(void* job) noexcept;

}  // namespace quorvane
