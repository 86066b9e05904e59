#pragma once

#include <memory>

namespace quorvane::engine {

struct Browser;
class WebView;

// Drives the page the way a person at the window would, for previews and tests: when the
// variable QV_ENGINE_STEPS names a JSON file holding an array of steps, they run one after
// another on a worker thread once the first document has been parsed. Steps:
//   {"click": [x, y]}           a left click at page coordinates
//   {"key": "F11"}              a key press (F11, Escape, Enter, Space, arrows, letters)
//   {"waitTitle": "text", "timeout": ms}   until the title contains text (default 15000 ms)
//   {"evaluate": "script"}      runs script as if from a user gesture; logs the result
//   {"screenshot": "path.png"}  saves the page as PNG (Linux or Windows path)
//   {"wait": ms}
//   {"compare": "url", "until": "script"}  loads url (served by something else) in a second
//                               page of the browser; logs its load event time
//   {"close": true}             closes the window, as its close button does
//   {"crash": "renderer"}       crashes the page's renderer (the protocol's Page.crash)
//   {"crash": "browser"}        ends the browser's process at once (KILL), as a crash would
// QV_ENGINE_SECONDS closes the window that many seconds after the steps began (or finished).
// Each step is logged ("step ...") and acts on the newest page: after a browser was lost, the
// page of the browser its host made next.
// Called at every parsed document; the first call starts the steps.
void startSteps(const std::shared_ptr<Browser>& browser, WebView* view);

}  // namespace quorvane::engine
