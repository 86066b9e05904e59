#pragma once

#include <string>

namespace quorvane::testing {

// A fresh folder under the user's temp folder, removed with everything in it on destruction.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing backslash.
    const std::wstring& path() const { return path_; }
    // path() + "\" + relative.
    std::wstring operator/(const std::wstring& relative) const;

  private:
    std::wstring path_;
};

// Deletes a folder tree (files first); read-only attributes are cleared on the way.
void removeTree(const std::wstring& path);

}  // namespace quorvane::testing
