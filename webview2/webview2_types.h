#pragma once

// The browser runtime's enumerations, interface identifiers and the names of its interfaces,
// shared by the declarations in the other webview2_*.h headers (see webview2_api.h).

#include <windows.h>
#include <objidl.h>
#include <oaidl.h>
#include <unknwn.h>
#include <eventtoken.h>

// Interfaces that only ever appear as parameter types of methods the shell does not call: only
// their pointers cross the interface, so they stay incomplete.
struct ICoreWebView2AcceleratorKeyPressedEventHandler;
struct ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler;
struct ICoreWebView2CallDevToolsProtocolMethodCompletedHandler;
struct ICoreWebView2CapturePreviewCompletedHandler;
struct ICoreWebView2ContentLoadingEventHandler;
struct ICoreWebView2CookieManager;
struct ICoreWebView2Deferral;
struct ICoreWebView2DevToolsProtocolEventReceiver;
struct ICoreWebView2ExecuteScriptCompletedHandler;
struct ICoreWebView2FocusChangedEventHandler;
struct ICoreWebView2FrameInfoCollection;
struct ICoreWebView2HistoryChangedEventHandler;
struct ICoreWebView2HttpHeadersCollectionIterator;
struct ICoreWebView2HttpResponseHeaders;
struct ICoreWebView2MoveFocusRequestedEventHandler;
struct ICoreWebView2NavigationCompletedEventHandler;
struct ICoreWebView2NewBrowserVersionAvailableEventHandler;
struct ICoreWebView2ScriptDialogOpeningEventHandler;
struct ICoreWebView2SourceChangedEventHandler;
struct ICoreWebView2WebResourceResponseReceivedEventHandler;
struct ICoreWebView2WindowFeatures;
struct ICoreWebView2ZoomFactorChangedEventHandler;

// The interfaces declared in full below.
struct ICoreWebView2EnvironmentOptions;
struct ICoreWebView2Environment;
struct ICoreWebView2Controller;
struct ICoreWebView2;
struct ICoreWebView2_2;
struct ICoreWebView2Settings;
struct ICoreWebView2Settings2;
struct ICoreWebView2Settings3;
struct ICoreWebView2Settings4;
struct ICoreWebView2Settings5;
struct ICoreWebView2Settings6;
struct ICoreWebView2WebResourceRequestedEventArgs;
struct ICoreWebView2WebResourceRequest;
struct ICoreWebView2HttpRequestHeaders;
struct ICoreWebView2WebResourceResponse;
struct ICoreWebView2NavigationStartingEventArgs;
struct ICoreWebView2PermissionRequestedEventArgs;
struct ICoreWebView2NewWindowRequestedEventArgs;
struct ICoreWebView2WebMessageReceivedEventArgs;
struct ICoreWebView2DOMContentLoadedEventArgs;
struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;
struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;
struct ICoreWebView2DocumentTitleChangedEventHandler;
struct ICoreWebView2WebResourceRequestedEventHandler;
struct ICoreWebView2NavigationStartingEventHandler;
struct ICoreWebView2PermissionRequestedEventHandler;
struct ICoreWebView2ContainsFullScreenElementChangedEventHandler;
struct ICoreWebView2WindowCloseRequestedEventHandler;
struct ICoreWebView2NewWindowRequestedEventHandler;
struct ICoreWebView2WebMessageReceivedEventHandler;
struct ICoreWebView2DOMContentLoadedEventHandler;
struct ICoreWebView2ProcessFailedEventArgs;
struct ICoreWebView2ProcessFailedEventArgs2;
struct ICoreWebView2ProcessFailedEventHandler;

// Enumerations: 32-bit values on the wire.
typedef enum COREWEBVIEW2_WEB_RESOURCE_CONTEXT {
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL = 0,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT = 1,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_STYLESHEET = 2,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_IMAGE = 3,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MEDIA = 4,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FONT = 5,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT = 6,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_XML_HTTP_REQUEST = 7,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH = 8,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_TEXT_TRACK = 9,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_EVENT_SOURCE = 10,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_WEBSOCKET = 11,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MANIFEST = 12,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SIGNED_EXCHANGE = 13,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_PING = 14,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_CSP_VIOLATION_REPORT = 15,
    COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER = 16,
} COREWEBVIEW2_WEB_RESOURCE_CONTEXT;

typedef enum COREWEBVIEW2_PERMISSION_STATE {
    COREWEBVIEW2_PERMISSION_STATE_DEFAULT = 0,
    COREWEBVIEW2_PERMISSION_STATE_ALLOW = 1,
    COREWEBVIEW2_PERMISSION_STATE_DENY = 2,
} COREWEBVIEW2_PERMISSION_STATE;

typedef enum COREWEBVIEW2_PERMISSION_KIND {
    COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION = 0,
    COREWEBVIEW2_PERMISSION_KIND_MICROPHONE = 1,
    COREWEBVIEW2_PERMISSION_KIND_CAMERA = 2,
    COREWEBVIEW2_PERMISSION_KIND_GEOLOCATION = 3,
    COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS = 4,
    COREWEBVIEW2_PERMISSION_KIND_OTHER_SENSORS = 5,
    COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ = 6,
} COREWEBVIEW2_PERMISSION_KIND;

typedef enum COREWEBVIEW2_MOVE_FOCUS_REASON {
    COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC = 0,
    COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT = 1,
    COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS = 2,
} COREWEBVIEW2_MOVE_FOCUS_REASON;

// Only a parameter type of CapturePreview, which the shell never calls.
typedef enum COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT {
    COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_PNG = 0,
    COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_JPEG = 1,
} COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT;

// Which process failed, and why (the reason comes from the second process-failure arguments
// interface, which older runtimes refuse in QueryInterface).
typedef enum COREWEBVIEW2_PROCESS_FAILED_KIND {
    COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED = 0,
    COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED = 1,
    COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE = 2,
    COREWEBVIEW2_PROCESS_FAILED_KIND_FRAME_RENDER_PROCESS_EXITED = 3,
    COREWEBVIEW2_PROCESS_FAILED_KIND_UTILITY_PROCESS_EXITED = 4,
    COREWEBVIEW2_PROCESS_FAILED_KIND_SANDBOX_HELPER_PROCESS_EXITED = 5,
    COREWEBVIEW2_PROCESS_FAILED_KIND_GPU_PROCESS_EXITED = 6,
    COREWEBVIEW2_PROCESS_FAILED_KIND_PPAPI_PLUGIN_PROCESS_EXITED = 7,
    COREWEBVIEW2_PROCESS_FAILED_KIND_PPAPI_BROKER_PROCESS_EXITED = 8,
    COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED = 9,
} COREWEBVIEW2_PROCESS_FAILED_KIND;

// 7 to 9 were added by a later SDK; runtimes may report values not listed here as well.
typedef enum COREWEBVIEW2_PROCESS_FAILED_REASON {
    COREWEBVIEW2_PROCESS_FAILED_REASON_UNEXPECTED = 0,
    COREWEBVIEW2_PROCESS_FAILED_REASON_UNRESPONSIVE = 1,
    COREWEBVIEW2_PROCESS_FAILED_REASON_TERMINATED = 2,
    COREWEBVIEW2_PROCESS_FAILED_REASON_CRASHED = 3,
    COREWEBVIEW2_PROCESS_FAILED_REASON_LAUNCH_FAILED = 4,
    COREWEBVIEW2_PROCESS_FAILED_REASON_OUT_OF_MEMORY = 5,
    COREWEBVIEW2_PROCESS_FAILED_REASON_PROFILE_DELETED = 6,
    COREWEBVIEW2_PROCESS_FAILED_REASON_NORMAL_EXIT = 7,
    COREWEBVIEW2_PROCESS_FAILED_REASON_ABNORMAL_EXIT = 8,
    COREWEBVIEW2_PROCESS_FAILED_REASON_INTEGRITY_FAILURE = 9,
} COREWEBVIEW2_PROCESS_FAILED_REASON;

// Interface identifiers, defined in webview2_api.cpp.
EXTERN_C const IID IID_ICoreWebView2EnvironmentOptions;
EXTERN_C const IID IID_ICoreWebView2Environment;
EXTERN_C const IID IID_ICoreWebView2Controller;
EXTERN_C const IID IID_ICoreWebView2;
EXTERN_C const IID IID_ICoreWebView2_2;
EXTERN_C const IID IID_ICoreWebView2Settings;
EXTERN_C const IID IID_ICoreWebView2Settings2;
EXTERN_C const IID IID_ICoreWebView2Settings3;
EXTERN_C const IID IID_ICoreWebView2Settings4;
EXTERN_C const IID IID_ICoreWebView2Settings5;
EXTERN_C const IID IID_ICoreWebView2Settings6;
EXTERN_C const IID IID_ICoreWebView2WebResourceRequestedEventArgs;
EXTERN_C const IID IID_ICoreWebView2WebResourceRequest;
EXTERN_C const IID IID_ICoreWebView2HttpRequestHeaders;
EXTERN_C const IID IID_ICoreWebView2WebResourceResponse;
EXTERN_C const IID IID_ICoreWebView2NavigationStartingEventArgs;
EXTERN_C const IID IID_ICoreWebView2PermissionRequestedEventArgs;
EXTERN_C const IID IID_ICoreWebView2NewWindowRequestedEventArgs;
EXTERN_C const IID IID_ICoreWebView2WebMessageReceivedEventArgs;
EXTERN_C const IID IID_ICoreWebView2DOMContentLoadedEventArgs;
EXTERN_C const IID IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;
EXTERN_C const IID IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;
EXTERN_C const IID IID_ICoreWebView2DocumentTitleChangedEventHandler;
EXTERN_C const IID IID_ICoreWebView2WebResourceRequestedEventHandler;
EXTERN_C const IID IID_ICoreWebView2NavigationStartingEventHandler;
EXTERN_C const IID IID_ICoreWebView2PermissionRequestedEventHandler;
EXTERN_C const IID IID_ICoreWebView2ContainsFullScreenElementChangedEventHandler;
EXTERN_C const IID IID_ICoreWebView2WindowCloseRequestedEventHandler;
EXTERN_C const IID IID_ICoreWebView2NewWindowRequestedEventHandler;
EXTERN_C const IID IID_ICoreWebView2WebMessageReceivedEventHandler;
EXTERN_C const IID IID_ICoreWebView2DOMContentLoadedEventHandler;
EXTERN_C const IID IID_ICoreWebView2ProcessFailedEventArgs;
EXTERN_C const IID IID_ICoreWebView2ProcessFailedEventArgs2;
EXTERN_C const IID IID_ICoreWebView2ProcessFailedEventHandler;
EXTERN_C const IID IID_ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler;
