#pragma once

// The stand-in browser runtime: a test double of the WebView2 runtime, built as one DLL
// (WebView2Loader.dll) that also serves as a runtime's client library
// (<runtime>\EBWebView\x64\EmbeddedBrowserWebView.dll). Test-only; never linked into the shell.
//
// DRIVING IT. From another process, through the variables of standin_environment.h: a scenario
// file (JSON) and a transcript file. Scenario members, all optional:
//   "runtime":     {"present": true, "version": "120.0.2210.91"}  (the loader export's answer;
//                  the DLL's own file version, read by a fixed-runtime loader, is 120.0.2210.91)
//                  {"present": false, "appearsAtQuery": 2}  the process's second version query
//                  and later ones find it (a runtime installed in between)
//                  Unknown members anywhere are a scenario error.
//   "environment": {"returns": "0x80004005"}   the creating call fails; no completion
//                  {"completes": "0x80070005"} the completion gets this code and no object
//                  {"nullObject": true}        the completion gets S_OK and no object
//   "controller":  the same three forms, for CreateCoreWebView2Controller
//   "webView2":    false: the view refuses ICoreWebView2_2
//   "pagesParse":  false: navigations the shell starts raise no DOMContentLoaded
//   "newestSettings": 2  the view's settings answer QueryInterface for ICoreWebView2Settings up to
//                  ICoreWebView2Settings2 only, as an older runtime (1 to 6; default 6)
//   "steps":       run in order after the shell's first navigation; each waits for the one
//                  before (a request waits for its response body to be read):
//     {"do":"request","uri":U,"method":"GET","headers":["Range: bytes=0-9"],"context":16}
//     {"do":"navigate","uri":U,"parses":true}       (a navigation the user started)
//     {"do":"domContentLoaded"}
//     {"do":"title","text":T}                       (then DocumentTitleChanged, null args)
//     {"do":"messageString","source":S,"text":T}    (postMessage of a string)
//     {"do":"messageJson","source":S,"text":J}      (postMessage of another value: TryGet...
//                                                    fails with E_INVALIDARG unless J is a string)
//     {"do":"fullscreen","enter":true}
//     {"do":"permission","kind":2,"uri":U,"userInitiated":true}
//     {"do":"newWindow","uri":U,"userInitiated":true}
//     {"do":"close"}                                (WindowCloseRequested)
//     {"do":"wait","ms":100}
//     {"do":"processFailed","kind":1,"reason":3,"exitCode":-1073741819,"description":D,
//      "details":true}                              (ProcessFailed; "details":false: the args
//                                                    refuse ICoreWebView2ProcessFailedEventArgs2)
//         kind 0 (the browser process exited) ends the environment, its controller and view: the
//         steps that follow run in the next view the process creates (a new environment), after
//         its first navigation.
//     {"do":"processFailed","badArgs":true}         (a broken runtime: the handler gets a pointer
//                                                    to unmapped memory as its args)
//     {"do":"window","action":"drag","rect":[L,T,R,B]}  the player drags the host window's frame
//     {"do":"window","action":"maximize"}           (or "minimize", "restore", "close": a click on
//                                                    that caption button, WM_SYSCOMMAND)
// A navigation raises NavigationStarting; unless cancelled, the document request (context 1)
// raises WebResourceRequested when a filter matches, its response is read, and DOMContentLoaded
// follows when the page parses. Completions and events come from the creating thread's message
// loop, one at a time, never from inside the call that caused them.
//
// TRANSCRIPT. One line per thing the shell did to the stand-in, and per event the stand-in
// raised, in order; UTF-8, "\n" after each line. Values are escaped as in transcript_format.h
// (CR, LF, TAB as \r \n \t, other control characters \xHH; nothing else); a null string is
// "(null)"; HRESULTs are 0x + 8 uppercase hex digits; flags 0/1. The lines:
// clang-format off
//   GetAvailableCoreWebView2BrowserVersionString browserFolder=F -> V   (V: the version or "(none)")
//   CreateCoreWebView2EnvironmentWithOptions browserFolder=F userDataFolder=D
//   CreateWebViewEnvironmentWithOptionsInternal checkRunningInstance=1 runtimeType=0|1 userDataFolder=D
//   environment creation returned HR            (the creating call failed: no completion follows)
//   options (null)
//   options ICoreWebView2EnvironmentOptions refused HR
//   options AdditionalBrowserArguments=A
//   options Language=L
//   options TargetCompatibleBrowserVersion=V
//   options AllowSingleSignOnUsingOSPrimaryAccount=0|1
//   options ICoreWebView2EnvironmentOptions2 refused 0x80004002 out=null   (or: answered ... out=set)
//   EnvironmentCompleted hr=HR environment=yes|no
//   CreateCoreWebView2Controller parent=<window class>|(null)|(invalid)
//   controller creation returned HR
//   ControllerCompleted hr=HR controller=yes|no
//   settings IsScriptEnabled=1                  (every put; the name without put_)
//   settings UserAgent=TEXT
//   filter add PATTERN context=N
//   filter remove PATTERN context=N
//   add EVENT token=set|null                    (EVENT: the name after add_)
//   remove EVENT
//   controller Bounds=L,T,R,B
//   controller IsVisible=0|1
//   controller MoveFocus=REASON
//   controller ZoomFactor=Z
//   controller SetBoundsAndZoomFactor=L,T,R,B Z
//   controller NotifyParentWindowPositionChanged
//   controller ParentWindow=<window class>
//   controller Close
//   Navigate URI
//   NavigateToString HTML
//   NavigationStarting URI userInitiated=0|1    then: navigation cancelled | navigation allowed
//   WebResourceRequested METHOD URI context=N
//   request METHOD URI context=N unfiltered     (no filter matched: nothing raised)
//   response none                               (the handler set no response)
//   response STATUS REASON headers=BLOCK body[N]=BYTES            (N <= 4096)
//   response STATUS REASON headers=BLOCK body[N]~fnv1a64:HEX16    (larger bodies)
//   response STATUS REASON headers=BLOCK body=(none)              (no content stream)
//       then " read-error=HR" when a Read failed, " truncated" past 256 MiB. The body is read
//       from the stream's current position to its end, on a worker thread, after the handler
//       returned. BLOCK is the header text exactly as passed to CreateWebResourceResponse.
//   DOMContentLoaded navigationId=N
//   DocumentTitleChanged TITLE
//   WebMessageReceived source=S string=T
//   WebMessageReceived source=S json=J
//   WebMessageReceived suppressed: web messages disabled
//   ContainsFullScreenElementChanged 0|1
//   PermissionRequested kind=K uri=U userInitiated=0|1     then: permission state=S
//   NewWindowRequested URI userInitiated=0|1               then: new window handled=0|1 newWindow=none|set
//   WindowCloseRequested
//   ProcessFailed kind=K reason=R exitCode=E details=0|1
//   ProcessFailed badArgs
//   window drag L,T,R,B | window maximize | window minimize | window restore | window close
//   window state=normal|maximized|minimized rect=L,T,R,B   (after the action; the rectangle is
//       the one the window returns to when minimized or maximized, in workspace coordinates)
//   wait MS
//   steps done
//   AddScriptToExecuteOnDocumentCreated length=N  (the script's UTF-16 length; no script is run)
//   AddScriptToExecuteOnDocumentCreatedCompleted hr=0x00000000 id=script-N   (from the loop)
//   PostWebMessageAsJson J | PostWebMessageAsString T | Reload | Stop | GoBack | GoForward
//       (Reload navigates to the view's source again, as the runtime does)
//   OpenDevToolsWindow
//   unsupported INTERFACE::METHOD               (a method the stand-in does not model: E_NOTIMPL)
//   scenario error WHAT                         (the scenario file was unusable; defaults apply)
// clang-format on

#include "webview2/webview2_api.h"

#define QV_STANDIN_API extern "C" __declspec(dllexport)

#ifdef QV_STANDIN_BUILDING
// A synchronously made environment on the calling thread (its events still come from that
// thread's message loop), for in-process tests that need CreateWebResourceResponse.
QV_STANDIN_API HRESULT STDMETHODCALLTYPE
StandinCreateEnvironment(ICoreWebView2Environment** environment);
// Event arguments of one request; |headers|: "Name: value" lines separated by \n.
QV_STANDIN_API HRESULT STDMETHODCALLTYPE
StandinCreateWebResourceRequestedEventArgs(LPCWSTR uri, LPCWSTR method, LPCWSTR headers,
                                           ICoreWebView2WebResourceRequestedEventArgs** args);
// What a response made by the stand-in holds; every out-parameter may be null. E_INVALIDARG
// for a response the stand-in did not make.
QV_STANDIN_API HRESULT STDMETHODCALLTYPE
StandinDescribeResponse(ICoreWebView2WebResourceResponse* response, int* statusCode,
                        LPWSTR* reasonPhrase, LPWSTR* headers, IStream** content);
// A controller (and view) in |parent|, made at once.
QV_STANDIN_API HRESULT STDMETHODCALLTYPE
StandinCreateController(HWND parent, ICoreWebView2Controller** controller);
// The transcript lines recorded in this process so far, each ended by \n; clears them.
QV_STANDIN_API HRESULT STDMETHODCALLTYPE StandinTakeTranscript(LPWSTR* lines);
#endif

// The same, as function types for GetProcAddress.
typedef HRESULT(STDMETHODCALLTYPE* StandinCreateEnvironmentFn)(ICoreWebView2Environment**);
typedef HRESULT(STDMETHODCALLTYPE* StandinCreateWebResourceRequestedEventArgsFn)(
    LPCWSTR, LPCWSTR, LPCWSTR, ICoreWebView2WebResourceRequestedEventArgs**);
typedef HRESULT(STDMETHODCALLTYPE* StandinDescribeResponseFn)(ICoreWebView2WebResourceResponse*,
                                                              int*, LPWSTR*, LPWSTR*, IStream**);
typedef HRESULT(STDMETHODCALLTYPE* StandinCreateControllerFn)(HWND, ICoreWebView2Controller**);
typedef HRESULT(STDMETHODCALLTYPE* StandinTakeTranscriptFn)(LPWSTR*);
