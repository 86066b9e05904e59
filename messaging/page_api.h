#pragma once

#include <windows.h>

#include <string>

namespace quorvane {

// Posted to the main window by the file worker when answers are ready; the window procedure then
// calls deliverFinishedFileWork (file_worker.h).
inline constexpr UINT kFileWorkDoneMessage = WM_APP + 0x52;

// Starts the page API for a run: the file worker (waking |window| with kFileWorkDoneMessage) and
// the saves folder, whose leftovers of a killed run it removes first.
void startPageApi(HWND window, const std::wstring& savesFolder);

// Writes what the page asked to be saved before the window closed, then stops the worker.
void stopPageApi();

}  // namespace quorvane
