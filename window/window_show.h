#pragma once

namespace quorvane {

// Shows the main window once its first document has been parsed (again for later documents):
// maximized the first time when it was left maximized, and brought to the front when another
// start of the game asked for it while it was still hidden.
void showMainWindow() noexcept;

// Another start of the game hands over to this copy: the window comes to the front, restored
// when minimized (to fullscreen, when it was). A window not shown yet comes to the front when it
// is shown.
void bringMainWindowToFront() noexcept;

}  // namespace quorvane
