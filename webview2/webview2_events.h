#pragma once

// Event arguments and the handler interfaces of completions and events.

#include "webview2/webview2_types.h"

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

// {B99369F3-9B11-47B5-BC6F-8E7895FCEA17}
struct ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, LPCWSTR id) = 0;
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

// Process failures: ask the arguments for the second interface, which adds the reason and exit
// code; older runtimes refuse it.
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

// Lets __uuidof and IID_PPV_ARGS name these interfaces, as with the SDK header.
#ifdef __CRT_UUID_DECL
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
__CRT_UUID_DECL(ICoreWebView2ProcessFailedEventArgs, 0x8155A9A4, 0x1474, 0x4A86, 0x8C, 0xAE, 0x15,
                0x1B, 0x0F, 0xA6, 0xB8, 0xCA)
__CRT_UUID_DECL(ICoreWebView2ProcessFailedEventArgs2, 0x4DAB9422, 0x46FA, 0x4C3E, 0xA5, 0xD2, 0x41,
                0xD2, 0x07, 0x1D, 0x36, 0x80)
__CRT_UUID_DECL(ICoreWebView2ProcessFailedEventHandler, 0x79E0AEA4, 0x990B, 0x42D9, 0xAA, 0x1D,
                0x0F, 0xCC, 0x2E, 0x5B, 0xC7, 0xF1)
__CRT_UUID_DECL(ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler, 0xB99369F3,
                0x9B11, 0x47B5, 0xBC, 0x6F, 0x8E, 0x78, 0x95, 0xFC, 0xEA, 0x17)
#endif
