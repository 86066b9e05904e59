#include "tests/harness/probe_expectations.h"

namespace quorvane::testing {

const char* const kProbeResponseLine =
    "response 200 OK headers=Content-Type: text/plain\\r\\nContent-Length: 12 "
    "body[12]=probe answer";

std::vector<std::string> probeTranscript(std::vector<std::string> head,
                                         const std::vector<std::string>& steps) {
    for (const char* line : {"options AdditionalBrowserArguments=--probe",
                             "options Language=",
                             "options TargetCompatibleBrowserVersion=89.0.774.44",
                             "options AllowSingleSignOnUsingOSPrimaryAccount=0",
                             "options ICoreWebView2EnvironmentOptions2 refused 0x80004002 out=null",
                             "EnvironmentCompleted hr=0x00000000 environment=yes",
                             "CreateCoreWebView2Controller parent=QuorvaneProbe",
                             "ControllerCompleted hr=0x00000000 controller=yes",
                             "controller Bounds=0,0,*",
                             "filter add https://probe.test/* context=0",
                             "add WebResourceRequested token=null",
                             "add WindowCloseRequested token=null",
                             "add DOMContentLoaded token=null",
                             "Navigate https://probe.test/index.html",
                             "NavigationStarting https://probe.test/index.html userInitiated=0",
                             "navigation allowed",
                             "WebResourceRequested GET https://probe.test/index.html context=1",
                             kProbeResponseLine,
                             "DOMContentLoaded navigationId=1",
                             "controller IsVisible=1"}) {
        head.push_back(line);
    }
    head.insert(head.end(), steps.begin(), steps.end());
    head.push_back("WindowCloseRequested");
    head.push_back("steps done");
    return head;
}

}  // namespace quorvane::testing
