#pragma once

#include <string>

namespace quorvane {

// The script the browser runs in every new document before the page's own: in the app origin's
// top document only, it defines the frozen `window.quorvane` whose calls post requests and return
// Promises settled by the answers (rejected with an Error whose `code` is the error code).
std::wstring pageApiScript();

}  // namespace quorvane
