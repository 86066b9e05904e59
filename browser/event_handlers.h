#pragma once

#include "webview2/webview2_api.h"

namespace quorvane {

// What the shell does for each browser event. Each runs on the UI thread from the message loop;
// none throws (the handler objects stop exceptions at the COM boundary as well).

// The window title follows the page's title.
void onDocumentTitleChanged(ICoreWebView2* sender) noexcept;
// Navigation may not leave the app origin.
void onNavigationStarting(ICoreWebView2NavigationStartingEventArgs* args) noexcept;
// Every permission is granted at once.
void onPermissionRequested(ICoreWebView2PermissionRequestedEventArgs* args) noexcept;
// An element of the page going fullscreen takes the window with it.
void onContainsFullScreenElementChanged(ICoreWebView2* sender) noexcept;
// A script closing its window closes the application.
void onWindowCloseRequested() noexcept;
// Links asking for a new window go to the user's default program (web and mail links only); the
// event is always marked handled so no window opens inside the application.
void onNewWindowRequested(ICoreWebView2NewWindowRequestedEventArgs* args) noexcept;
// String messages from documents of the app origin go to the page message protocol.
void onWebMessageReceived(ICoreWebView2WebMessageReceivedEventArgs* args) noexcept;
// The first parsed document shows the window; later ones give the view focus again.
void onDOMContentLoaded() noexcept;

}  // namespace quorvane
