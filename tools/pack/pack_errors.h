#pragma once

#include <stdexcept>

#include "tools/stamp/app_identity.h"

namespace quorvane::pack {

// The packager's failures, by exit code. AppFolderError (exit 1, the app folder has a problem)
// comes from the stamping library; its message may hold several lines, each naming one file.
using stamp::AppFolderError;

// Exit 2: the command line asks for something that cannot be done.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Exit 3: the package could not be written.
class WriteError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Exit 130: the user pressed Ctrl-C (see interrupt.h).
class Interrupted : public std::exception {
  public:
    const char* what() const noexcept override { return "interrupted"; }
};

}  // namespace quorvane::pack
