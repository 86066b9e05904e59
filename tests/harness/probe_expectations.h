#pragma once

#include <string>
#include <vector>

namespace quorvane::testing {

// The probe shell's answer to every request, as its transcript line.
extern const char* const kProbeResponseLine;

// The probe shell's transcript for a run under a scenario whose steps end with a close: |head|
// (how the environment was asked for, up to the line holding the user data folder), the options,
// both creations, the set-up, the first page answered and shown, then |steps| and the
// WindowCloseRequested that ends the run.
std::vector<std::string> probeTranscript(std::vector<std::string> head,
                                         const std::vector<std::string>& steps);

}  // namespace quorvane::testing
