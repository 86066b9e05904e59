#pragma once

#include <string>

namespace quorvane::standin {

// Appends one line to the transcript: kept in memory for StandinTakeTranscript and, when the
// transcript variable names a file, appended to that file at once. Safe from any thread.
void record(const std::wstring& line) noexcept;

// The lines recorded in this process since the last call, each ended by "\n"; clears them.
std::wstring takeTranscript();

}  // namespace quorvane::standin
