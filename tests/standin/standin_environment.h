#pragma once

// How a test drives the stand-in runtime inside another process: the stand-in reads these
// environment variables (the shell itself reads none).
namespace quorvane::standin {

// Full path of the scenario file (JSON, UTF-8). Unset: the default scenario (runtime present,
// every creation succeeds, the view offers ICoreWebView2_2, pages parse, no steps).
inline constexpr wchar_t kScenarioVariable[] = L"QV_STANDIN_SCENARIO";

// Full path of the transcript file; each line is appended (UTF-8, "\n"-terminated) as it happens,
// so a run that is killed keeps what it did. Unset: the transcript is kept in memory only.
inline constexpr wchar_t kTranscriptVariable[] = L"QV_STANDIN_TRANSCRIPT";

}  // namespace quorvane::standin
