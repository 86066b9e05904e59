#pragma once

#include <windows.h>

#include <string>

namespace quorvane {

// Posted to the main window by the page worker when tasks for the UI thread wait; the window
// procedure then calls runPageWorkerTasks (page_worker.h).
inline constexpr UINT kPageWorkMessage = WM_APP + 0x52;

// Starts the page API for a run: the page worker (waking |window| with kPageWorkMessage) and the
// saves folder, whose leftovers of a killed run it removes first.
void startPageApi(HWND window, const std::wstring& savesFolder);

// Writes what the page asked to be saved before the window closed, then stops the worker.
void stopPageApi();

}  // namespace quorvane
