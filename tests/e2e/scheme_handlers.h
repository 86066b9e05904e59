#pragma once

#include <string>
#include <vector>

namespace quorvane::testing {

// Registers the link recorder as the handler of some URL schemes for the life of the object, so
// that what the shell hands to ShellExecuteW lands in a file instead of a browser. Wine's
// ShellExecuteW reads the machine's classes (HKEY_LOCAL_MACHINE\Software\Classes, where its own
// winebrowser is registered for web links), not the user's; every value changed is put back.
// The registration lives in the shared test prefix: this test runs alone.
class SchemeHandlers {
  public:
    // Links of |schemes| are appended, one line each, to the file |log|.
    SchemeHandlers(const std::vector<std::wstring>& schemes, const std::wstring& log);
    ~SchemeHandlers();
    SchemeHandlers(const SchemeHandlers&) = delete;
    SchemeHandlers& operator=(const SchemeHandlers&) = delete;

  private:
    struct Saved {
        std::wstring key;
        bool existed;
        std::wstring command;
    };
    std::vector<Saved> saved_;
};

// The links recorded in |log| so far, in the order they arrived.
std::vector<std::string> recordedLinks(const std::wstring& log);

}  // namespace quorvane::testing
