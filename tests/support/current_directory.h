#pragma once

#include <string>

namespace quorvane::testing {

// Makes |folder| the process's current directory for the object's lifetime, then restores the
// previous one. Relative paths the code under test is given resolve against it.
class CurrentDirectory {
  public:
    explicit CurrentDirectory(const std::wstring& folder);
    ~CurrentDirectory();
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

  private:
    std::wstring previous_;
};

}  // namespace quorvane::testing
