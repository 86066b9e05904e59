#pragma once

#include <memory>

namespace quorvane::engine {

struct Browser;
class WebView;

// Drives the page the way a person at the window would, for previews and tests: when the
// variable QV_ENGINE_STEPS names a JSON file holding an array of steps, they run one after
// another on a worker thread once the first document has been parsed. Steps:
//   {"click": [x, y]}           a left click at page coordinates
//   {"key": "F11"}              a key press: a name of step_keys.cpp's table or one character
//   {"waitTitle": "text", "timeout": ms}   until the title contains text (default 15000 ms)
//   {"evaluate": "script"}      runs script as if from a user gesture; logs the result
//   {"screenshot": "path.png"}  saves the page as PNG (Linux or Windows path)
//   {"wait": ms}
//   {"close": true}             closes the window, as its close button does
//   {"crash": "renderer"}       crashes the page's renderer (the protocol's Page.crash)
//   {"crash": "browser"}        ends the browser's process at once (KILL), as a crash would
//   {"compare": "url", "until": "script"}  for scripts/bench-engine.sh: loads url (served by
//                               something else on loopback) in a second page of the browser and
//                               logs its load event time. Preview does not offer it: nothing
//                               but the app serves inside its network namespace.
// QV_ENGINE_SECONDS closes the window that many seconds after the steps began: a wait or
// waitTitle still running gives up then, and later steps do not run.
// Each step is logged ("step ... -> outcome", the outcome "ok", "saved N bytes", an evaluated
// result as JSON, or a failure: "failed...", "timed out...", "exception ...", "unknown ...",
// "cannot write") and acts on the newest page: after a browser was lost, the page of the
// browser its host made next.
// Called at every parsed document; the first call starts the steps.
void startSteps(const std::shared_ptr<Browser>& browser, WebView* view);

// As the host's window is destroyed (whatever closes it), on the UI thread: saves the page to
// the file QV_ENGINE_FINAL_SCREENSHOT names, if any, once, and logs "screenshot PATH -> outcome".
void takeFinalScreenshot(Browser& browser);

}  // namespace quorvane::engine
