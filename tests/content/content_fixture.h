#pragma once

#include <objidl.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace quorvane::testing {

// Bytes whose value depends on their offset, so a misplaced slice shows.
std::string offsetPattern(size_t size);

// An application folder in a temp folder: "app\www\" holds the files below, and "app\secret.txt"
// and "secret.txt" beside "app" hold "SECRET", which no request may ever reach.
class ContentFolder {
  public:
    ContentFolder();

    // "...\app\www\", as the content server is given it.
    const std::wstring& www() const { return www_; }
    // A path under the application folder ("...\app\" + relative).
    std::wstring app(const std::wstring& relative) const;

    static inline const std::string kIndex = "<!doctype html><title>Quorvane</title>\n";
    static inline const std::string kButton = "PNG button bytes";
    static inline const std::string kSpaced = "spaced name";
    static inline const std::string kAccented = "caf\xC3\xA9";
    static inline const std::string kJapanese = "\xE6\x97\xA5\xE6\x9C\xAC";
    static inline const std::string kScon = "{\"level\":1}";
    static inline const std::string kSecret = "SECRET";

  private:
    TempDir dir_;
    std::wstring www_;
};

// Everything from the stream's current position to its end.
std::string readToEnd(IStream* stream);

// The same, read on a thread of its own, as the browser runtime does after the handler returns.
std::string readToEndOnAnotherThread(IStream* stream);

}  // namespace quorvane::testing
