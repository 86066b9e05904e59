#pragma once

// The browser runtime's binary interface (WebView2, stable 1.0 SDK generation), declared here
// because the SDK is not part of the build. Names, IIDs, method order and parameter types are
// those the runtime itself publishes, in the global namespace, so this header can be swapped for
// the SDK's own WebView2.h without touching the code that includes it. A method declared out of
// order still compiles and would call a different method inside the real runtime:
// tests/browser/webview2_abi_test.cpp checks every slot and IID.

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

// {2FDE08A8-1E9A-4766-8C05-95A9CEB9D1C5}
struct ICoreWebView2EnvironmentOptions : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) = 0;
};

// {B96D755E-0319-4E92-A296-23436F46A1FC}
struct ICoreWebView2Environment : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    CreateWebResourceResponse(IStream* content, int statusCode, LPCWSTR reasonPhrase,
                              LPCWSTR headers, ICoreWebView2WebResourceResponse** response) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* versionInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_NewBrowserVersionAvailable(
        ICoreWebView2NewBrowserVersionAvailableEventHandler* eventHandler,
        EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    remove_NewBrowserVersionAvailable(EventRegistrationToken token) = 0;
};

// {4D00C0D1-9434-4EB6-8078-8697A560334F}
struct ICoreWebView2Controller : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* isVisible) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoomFactor) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoomFactor) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler* eventHandler,
                          EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler* eventHandler,
                           EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_GotFocus(
        ICoreWebView2FocusChangedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_LostFocus(
        ICoreWebView2FocusChangedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* eventHandler,
                              EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    remove_AcceleratorKeyPressed(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parentWindow) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parentWindow) = 0;
    virtual HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) = 0;
};

// {76ECEACB-0462-4D94-AC83-423A6793775E}
struct ICoreWebView2 : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR htmlContent) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* eventHandler,
                           EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_ContentLoading(
        ICoreWebView2ContentLoadingEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ContentLoading(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_SourceChanged(
        ICoreWebView2SourceChangedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_SourceChanged(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_HistoryChanged(
        ICoreWebView2HistoryChangedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_HistoryChanged(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* eventHandler,
                            EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler* eventHandler,
                                EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    remove_FrameNavigationStarting(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    add_FrameNavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* eventHandler,
                                 EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    remove_FrameNavigationCompleted(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler* eventHandler,
                            EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ScriptDialogOpening(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* eventHandler,
                            EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_PermissionRequested(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_ProcessFailed(
        ICoreWebView2ProcessFailedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
        LPCWSTR javaScript,
        ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    ExecuteScript(LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat, IStream* imageStream,
                   ICoreWebView2CapturePreviewCompletedHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reload() = 0;
    virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR webMessageAsJson) = 0;
    virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR webMessageAsString) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_WebMessageReceived(
        ICoreWebView2WebMessageReceivedEventHandler* handler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(
        LPCWSTR methodName, LPCWSTR parametersAsJson,
        ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* canGoBack) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL* canGoForward) = 0;
    virtual HRESULT STDMETHODCALLTYPE GoBack() = 0;
    virtual HRESULT STDMETHODCALLTYPE GoForward() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(
        LPCWSTR eventName, ICoreWebView2DevToolsProtocolEventReceiver** receiver) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE
    add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* eventHandler,
                           EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* eventHandler,
                             EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_DocumentTitleChanged(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR name, VARIANT* object) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() = 0;
    virtual HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(
        ICoreWebView2ContainsFullScreenElementChangedEventHandler* eventHandler,
        EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    remove_ContainsFullScreenElementChanged(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    get_ContainsFullScreenElement(BOOL* containsFullScreenElement) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* eventHandler,
                             EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_WebResourceRequested(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* eventHandler,
                             EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_WindowCloseRequested(EventRegistrationToken token) = 0;
};

// {9E8F0CF8-E670-4B5E-B2BC-73E061E3184C}
struct ICoreWebView2_2 : public ICoreWebView2 {
    virtual HRESULT STDMETHODCALLTYPE add_WebResourceResponseReceived(
        ICoreWebView2WebResourceResponseReceivedEventHandler* eventHandler,
        EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    remove_WebResourceResponseReceived(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    NavigateWithWebResourceRequest(ICoreWebView2WebResourceRequest* request) = 0;
    virtual HRESULT STDMETHODCALLTYPE add_DOMContentLoaded(
        ICoreWebView2DOMContentLoadedEventHandler* eventHandler, EventRegistrationToken* token) = 0;
    virtual HRESULT STDMETHODCALLTYPE remove_DOMContentLoaded(EventRegistrationToken token) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    get_CookieManager(ICoreWebView2CookieManager** cookieManager) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Environment(ICoreWebView2Environment** environment) = 0;
};

// {E562E4F0-D7FA-43AC-8D71-C05150499F00}
struct ICoreWebView2Settings : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL* isScriptEnabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL isScriptEnabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsWebMessageEnabled(BOOL* isWebMessageEnabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL isWebMessageEnabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    get_AreDefaultScriptDialogsEnabled(BOOL* areDefaultScriptDialogsEnabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    put_AreDefaultScriptDialogsEnabled(BOOL areDefaultScriptDialogsEnabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsStatusBarEnabled(BOOL* isStatusBarEnabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL isStatusBarEnabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AreDevToolsEnabled(BOOL* areDevToolsEnabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL areDevToolsEnabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AreDefaultContextMenusEnabled(BOOL* enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL* allowed) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL allowed) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL* enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL* enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL enabled) = 0;
};

// Newer settings, each extending the one before; an older runtime refuses them in QueryInterface.
// {EE9A0F68-F46C-4E32-AC23-EF8CAC224D2A}
struct ICoreWebView2Settings2 : public ICoreWebView2Settings {
    virtual HRESULT STDMETHODCALLTYPE get_UserAgent(LPWSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_UserAgent(LPCWSTR value) = 0;
};

// {FDB5AB74-AF33-4854-84F0-0A631DEB5EBA}
struct ICoreWebView2Settings3 : public ICoreWebView2Settings2 {
    virtual HRESULT STDMETHODCALLTYPE get_AreBrowserAcceleratorKeysEnabled(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AreBrowserAcceleratorKeysEnabled(BOOL value) = 0;
};

// {CB56846C-4168-4D53-B04F-03B6D6796FF2}
struct ICoreWebView2Settings4 : public ICoreWebView2Settings3 {
    virtual HRESULT STDMETHODCALLTYPE get_IsPasswordAutosaveEnabled(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsPasswordAutosaveEnabled(BOOL value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsGeneralAutofillEnabled(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsGeneralAutofillEnabled(BOOL value) = 0;
};

// {183E7052-1D03-43A0-AB99-98E043B66B39}
struct ICoreWebView2Settings5 : public ICoreWebView2Settings4 {
    virtual HRESULT STDMETHODCALLTYPE get_IsPinchZoomEnabled(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsPinchZoomEnabled(BOOL value) = 0;
};

// {11CB3ACD-9BC8-43B8-83BF-F40753714F87}
struct ICoreWebView2Settings6 : public ICoreWebView2Settings5 {
    virtual HRESULT STDMETHODCALLTYPE get_IsSwipeNavigationEnabled(BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_IsSwipeNavigationEnabled(BOOL value) = 0;
};

// {453E667F-12C7-49D4-BE6D-DDBE7956F57A}
struct ICoreWebView2WebResourceRequestedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse** response) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) = 0;
};

// {97055CD4-512C-4264-8B5F-E3F446CEA6A5}
struct ICoreWebView2WebResourceRequest : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Uri(LPCWSTR uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Method(LPCWSTR method) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Content(IStream** content) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Content(IStream* content) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpRequestHeaders** headers) = 0;
};

// {E86CAC0E-5523-465C-B536-8FB9FC8C8C60}
struct ICoreWebView2HttpRequestHeaders : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetHeader(LPCWSTR name, LPWSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    GetHeaders(LPCWSTR name, ICoreWebView2HttpHeadersCollectionIterator** iterator) = 0;
    virtual HRESULT STDMETHODCALLTYPE Contains(LPCWSTR name, BOOL* contains) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHeader(LPCWSTR name, LPCWSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveHeader(LPCWSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    GetIterator(ICoreWebView2HttpHeadersCollectionIterator** iterator) = 0;
};

// {AAFCC94F-FA27-48FD-97DF-830EF75AAEC9}
struct ICoreWebView2WebResourceResponse : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Content(IStream** content) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Content(IStream* content) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpResponseHeaders** headers) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_StatusCode(int* statusCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_StatusCode(int statusCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* reasonPhrase) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ReasonPhrase(LPCWSTR reasonPhrase) = 0;
};

// {5B495469-E119-438A-9B18-7604F25F2E49}
struct ICoreWebView2NavigationStartingEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* isRedirected) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    get_RequestHeaders(ICoreWebView2HttpRequestHeaders** requestHeaders) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* navigationId) = 0;
};

// {973AE2EF-FF18-4894-8FB2-3C758F046810}
struct ICoreWebView2PermissionRequestedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* permissionKind) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_State(COREWEBVIEW2_PERMISSION_STATE* state) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE state) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) = 0;
};

// {34ACB11C-FC37-4418-9132-F9C21D1EAFB9}
struct ICoreWebView2NewWindowRequestedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* newWindow) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** newWindow) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_WindowFeatures(ICoreWebView2WindowFeatures** value) = 0;
};

// {0F99A40C-E962-4207-9E92-E3D542EFF849}
struct ICoreWebView2WebMessageReceivedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* source) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* webMessageAsJson) = 0;
    virtual HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* webMessageAsString) = 0;
};

// {16B1E21A-C503-44F2-84C9-70ABA5031283}
struct ICoreWebView2DOMContentLoadedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* navigationId) = 0;
};

// {4E8A3389-C9D8-4BD2-B6B5-124FEE6CC14D}
struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode,
                                             ICoreWebView2Environment* createdEnvironment) = 0;
};

// {6C4819F3-C9B7-4260-8127-C9F5BDE7F68C}
struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode,
                                             ICoreWebView2Controller* createdController) = 0;
};

// {F5F2B923-953E-4042-9F95-F3A118E1AFD4}
struct ICoreWebView2DocumentTitleChangedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, IUnknown* args) = 0;
};

// {AB00B74C-15F1-4646-80E8-E76341D25D71}
struct ICoreWebView2WebResourceRequestedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2WebResourceRequestedEventArgs* args) = 0;
};

// {9ADBE429-F36D-432B-9DDC-F8881FBD76E3}
struct ICoreWebView2NavigationStartingEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2NavigationStartingEventArgs* args) = 0;
};

// {15E1C6A3-C72A-4DF3-91D7-D097FBEC6BFD}
struct ICoreWebView2PermissionRequestedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2PermissionRequestedEventArgs* args) = 0;
};

// {E45D98B1-AFEF-45BE-8BAF-6C7728867F73}
struct ICoreWebView2ContainsFullScreenElementChangedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, IUnknown* args) = 0;
};

// {5C19E9E0-092F-486B-AFFA-CA8231913039}
struct ICoreWebView2WindowCloseRequestedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, IUnknown* args) = 0;
};

// {D4C185FE-C81C-4989-97AF-2D3FA7AB5651}
struct ICoreWebView2NewWindowRequestedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2NewWindowRequestedEventArgs* args) = 0;
};

// {57213F19-00E6-49FA-8E07-898EA01ECBD2}
struct ICoreWebView2WebMessageReceivedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2WebMessageReceivedEventArgs* args) = 0;
};

// {4BAC7E9C-199E-49ED-87ED-249303ACF019}
struct ICoreWebView2DOMContentLoadedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2DOMContentLoadedEventArgs* args) = 0;
};

// Lets __uuidof and IID_PPV_ARGS name these interfaces, as with the SDK header.
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(ICoreWebView2EnvironmentOptions, 0x2FDE08A8, 0x1E9A, 0x4766, 0x8C, 0x05, 0x95, 0xA9,
                0xCE, 0xB9, 0xD1, 0xC5)
__CRT_UUID_DECL(ICoreWebView2Environment, 0xB96D755E, 0x0319, 0x4E92, 0xA2, 0x96, 0x23, 0x43, 0x6F,
                0x46, 0xA1, 0xFC)
__CRT_UUID_DECL(ICoreWebView2Controller, 0x4D00C0D1, 0x9434, 0x4EB6, 0x80, 0x78, 0x86, 0x97, 0xA5,
                0x60, 0x33, 0x4F)
__CRT_UUID_DECL(ICoreWebView2, 0x76ECEACB, 0x0462, 0x4D94, 0xAC, 0x83, 0x42, 0x3A, 0x67, 0x93, 0x77,
                0x5E)
__CRT_UUID_DECL(ICoreWebView2_2, 0x9E8F0CF8, 0xE670, 0x4B5E, 0xB2, 0xBC, 0x73, 0xE0, 0x61, 0xE3,
                0x18, 0x4C)
__CRT_UUID_DECL(ICoreWebView2Settings, 0xE562E4F0, 0xD7FA, 0x43AC, 0x8D, 0x71, 0xC0, 0x51, 0x50,
                0x49, 0x9F, 0x00)
__CRT_UUID_DECL(ICoreWebView2Settings2, 0xEE9A0F68, 0xF46C, 0x4E32, 0xAC, 0x23, 0xEF, 0x8C, 0xAC,
                0x22, 0x4D, 0x2A)
__CRT_UUID_DECL(ICoreWebView2Settings3, 0xFDB5AB74, 0xAF33, 0x4854, 0x84, 0xF0, 0x0A, 0x63, 0x1D,
                0xEB, 0x5E, 0xBA)
__CRT_UUID_DECL(ICoreWebView2Settings4, 0xCB56846C, 0x4168, 0x4D53, 0xB0, 0x4F, 0x03, 0xB6, 0xD6,
                0x79, 0x6F, 0xF2)
__CRT_UUID_DECL(ICoreWebView2Settings5, 0x183E7052, 0x1D03, 0x43A0, 0xAB, 0x99, 0x98, 0xE0, 0x43,
                0xB6, 0x6B, 0x39)
__CRT_UUID_DECL(ICoreWebView2Settings6, 0x11CB3ACD, 0x9BC8, 0x43B8, 0x83, 0xBF, 0xF4, 0x07, 0x53,
                0x71, 0x4F, 0x87)
__CRT_UUID_DECL(ICoreWebView2WebResourceRequestedEventArgs, 0x453E667F, 0x12C7, 0x49D4, 0xBE, 0x6D,
                0xDD, 0xBE, 0x79, 0x56, 0xF5, 0x7A)
__CRT_UUID_DECL(ICoreWebView2WebResourceRequest, 0x97055CD4, 0x512C, 0x4264, 0x8B, 0x5F, 0xE3, 0xF4,
                0x46, 0xCE, 0xA6, 0xA5)
__CRT_UUID_DECL(ICoreWebView2HttpRequestHeaders, 0xE86CAC0E, 0x5523, 0x465C, 0xB5, 0x36, 0x8F, 0xB9,
                0xFC, 0x8C, 0x8C, 0x60)
__CRT_UUID_DECL(ICoreWebView2WebResourceResponse, 0xAAFCC94F, 0xFA27, 0x48FD, 0x97, 0xDF, 0x83,
                0x0E, 0xF7, 0x5A, 0xAE, 0xC9)
__CRT_UUID_DECL(ICoreWebView2NavigationStartingEventArgs, 0x5B495469, 0xE119, 0x438A, 0x9B, 0x18,
                0x76, 0x04, 0xF2, 0x5F, 0x2E, 0x49)
__CRT_UUID_DECL(ICoreWebView2PermissionRequestedEventArgs, 0x973AE2EF, 0xFF18, 0x4894, 0x8F, 0xB2,
                0x3C, 0x75, 0x8F, 0x04, 0x68, 0x10)
__CRT_UUID_DECL(ICoreWebView2NewWindowRequestedEventArgs, 0x34ACB11C, 0xFC37, 0x4418, 0x91, 0x32,
                0xF9, 0xC2, 0x1D, 0x1E, 0xAF, 0xB9)
__CRT_UUID_DECL(ICoreWebView2WebMessageReceivedEventArgs, 0x0F99A40C, 0xE962, 0x4207, 0x9E, 0x92,
                0xE3, 0xD5, 0x42, 0xEF, 0xF8, 0x49)
__CRT_UUID_DECL(ICoreWebView2DOMContentLoadedEventArgs, 0x16B1E21A, 0xC503, 0x44F2, 0x84, 0xC9,
                0x70, 0xAB, 0xA5, 0x03, 0x12, 0x83)
__CRT_UUID_DECL(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, 0x4E8A3389, 0xC9D8,
                0x4BD2, 0xB6, 0xB5, 0x12, 0x4F, 0xEE, 0x6C, 0xC1, 0x4D)
__CRT_UUID_DECL(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, 0x6C4819F3, 0xC9B7,
                0x4260, 0x81, 0x27, 0xC9, 0xF5, 0xBD, 0xE7, 0xF6, 0x8C)
__CRT_UUID_DECL(ICoreWebView2DocumentTitleChangedEventHandler, 0xF5F2B923, 0x953E, 0x4042, 0x9F,
                0x95, 0xF3, 0xA1, 0x18, 0xE1, 0xAF, 0xD4)
__CRT_UUID_DECL(ICoreWebView2WebResourceRequestedEventHandler, 0xAB00B74C, 0x15F1, 0x4646, 0x80,
                0xE8, 0xE7, 0x63, 0x41, 0xD2, 0x5D, 0x71)
__CRT_UUID_DECL(ICoreWebView2NavigationStartingEventHandler, 0x9ADBE429, 0xF36D, 0x432B, 0x9D, 0xDC,
                0xF8, 0x88, 0x1F, 0xBD, 0x76, 0xE3)
__CRT_UUID_DECL(ICoreWebView2PermissionRequestedEventHandler, 0x15E1C6A3, 0xC72A, 0x4DF3, 0x91,
                0xD7, 0xD0, 0x97, 0xFB, 0xEC, 0x6B, 0xFD)
__CRT_UUID_DECL(ICoreWebView2ContainsFullScreenElementChangedEventHandler, 0xE45D98B1, 0xAFEF,
                0x45BE, 0x8B, 0xAF, 0x6C, 0x77, 0x28, 0x86, 0x7F, 0x73)
__CRT_UUID_DECL(ICoreWebView2WindowCloseRequestedEventHandler, 0x5C19E9E0, 0x092F, 0x486B, 0xAF,
                0xFA, 0xCA, 0x82, 0x31, 0x91, 0x30, 0x39)
__CRT_UUID_DECL(ICoreWebView2NewWindowRequestedEventHandler, 0xD4C185FE, 0xC81C, 0x4989, 0x97, 0xAF,
                0x2D, 0x3F, 0xA7, 0xAB, 0x56, 0x51)
__CRT_UUID_DECL(ICoreWebView2WebMessageReceivedEventHandler, 0x57213F19, 0x00E6, 0x49FA, 0x8E, 0x07,
                0x89, 0x8E, 0xA0, 0x1E, 0xCB, 0xD2)
__CRT_UUID_DECL(ICoreWebView2DOMContentLoadedEventHandler, 0x4BAC7E9C, 0x199E, 0x49ED, 0x87, 0xED,
                0x24, 0x93, 0x03, 0xAC, 0xF0, 0x19)
#endif

// Process failures: the event, its arguments, and the second arguments interface that adds the
// reason and exit code (ask for it with QueryInterface: older runtimes refuse it).
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

EXTERN_C const IID IID_ICoreWebView2ProcessFailedEventArgs;
EXTERN_C const IID IID_ICoreWebView2ProcessFailedEventArgs2;
EXTERN_C const IID IID_ICoreWebView2ProcessFailedEventHandler;

// {8155A9A4-1474-4A86-8CAE-151B0FA6B8CA}
struct ICoreWebView2ProcessFailedEventArgs : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE
    get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* value) = 0;
};

// {4DAB9422-46FA-4C3E-A5D2-41D2071D3680}
struct ICoreWebView2ProcessFailedEventArgs2 : public ICoreWebView2ProcessFailedEventArgs {
    virtual HRESULT STDMETHODCALLTYPE get_Reason(COREWEBVIEW2_PROCESS_FAILED_REASON* reason) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExitCode(int* exitCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ProcessDescription(LPWSTR* processDescription) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    get_FrameInfosForFailedProcess(ICoreWebView2FrameInfoCollection** frames) = 0;
};

// {79E0AEA4-990B-42D9-AA1D-0FCC2E5BC7F1}
struct ICoreWebView2ProcessFailedEventHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2ProcessFailedEventArgs* args) = 0;
};

#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(ICoreWebView2ProcessFailedEventArgs, 0x8155A9A4, 0x1474, 0x4A86, 0x8C, 0xAE, 0x15,
                0x1B, 0x0F, 0xA6, 0xB8, 0xCA)
__CRT_UUID_DECL(ICoreWebView2ProcessFailedEventArgs2, 0x4DAB9422, 0x46FA, 0x4C3E, 0xA5, 0xD2, 0x41,
                0xD2, 0x07, 0x1D, 0x36, 0x80)
__CRT_UUID_DECL(ICoreWebView2ProcessFailedEventHandler, 0x79E0AEA4, 0x990B, 0x42D9, 0xAA, 0x1D,
                0x0F, 0xCC, 0x2E, 0x5B, 0xC7, 0xF1)
#endif

// The two exports of the loader library, WebView2Loader.dll (undecorated C names).
typedef HRESULT(STDMETHODCALLTYPE* CreateCoreWebView2EnvironmentWithOptionsFn)(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler);
typedef HRESULT(STDMETHODCALLTYPE* GetAvailableCoreWebView2BrowserVersionStringFn)(
    PCWSTR browserExecutableFolder, LPWSTR* versionInfo);
