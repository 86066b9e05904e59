// Checks the declared browser runtime interface against the runtime's published ABI facts
// (tests/browser/webview2_abi_facts.txt): every IID, every base, every method's exact type (at
// compile time, in the generated expectations) and every method's vtable slot (at run time).
//
// Slots are observed, not computed: each interface pointer is aimed at an object whose vtable
// entry N is a function returning N, and every method is called through the interface's declared
// type. On x64 there is one calling convention and the caller owns the stack, so a callee that
// ignores its arguments is safe to call with any of them.

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "webview2/webview2_api.h"

namespace {

struct AbiCall {
    const char* method;
    int slot;
    HRESULT (*call)(void* object);
};

struct AbiInterface {
    const char* name;
    const char* base;
    const IID& declared;
    const IID& uuidOf;
    IID published;
    int firstOwnSlot;
    int ownMethodCount;
    std::vector<AbiCall> calls;
};

#include "webview2_abi_expected.inc"

template <size_t N>
HRESULT STDMETHODCALLTYPE answerSlot() {
    return static_cast<HRESULT>(N);
}

constexpr size_t slotCount = 96;

template <size_t... N>
std::array<void*, sizeof...(N)> makeSlots(std::index_sequence<N...>) {
    return {reinterpret_cast<void*>(&answerSlot<N>)...};
}

// Laid out as a COM object: its first word points at its vtable.
struct SlotObject {
    void* const* vtable;
};

SlotObject& slotObject() {
    static const std::array<void*, slotCount> slots =
        makeSlots(std::make_index_sequence<slotCount>());
    static SlotObject object{slots.data()};
    return object;
}

std::string text(const IID& iid) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(iid.Data1), iid.Data2, iid.Data3, iid.Data4[0],
                  iid.Data4[1], iid.Data4[2], iid.Data4[3], iid.Data4[4], iid.Data4[5],
                  iid.Data4[6], iid.Data4[7]);
    return buffer;
}

// Parameterised by the interface's row in the generated table.
class WebView2Abi : public ::testing::TestWithParam<size_t> {
  protected:
    const AbiInterface& abi() const { return abiInterfaces[GetParam()]; }
};

TEST_P(WebView2Abi, EveryMethodSitsInItsPublishedSlot) {
    const AbiInterface& abi = this->abi();
    ASSERT_EQ(abi.calls.size(), static_cast<size_t>(abi.firstOwnSlot + abi.ownMethodCount));
    for (const AbiCall& call : abi.calls) {
        ASSERT_LT(call.slot, static_cast<int>(slotCount));
        EXPECT_EQ(call.call(&slotObject()), call.slot) << abi.name << "::" << call.method;
    }
}

TEST_P(WebView2Abi, IidIsThePublishedOne) {
    const AbiInterface& abi = this->abi();
    EXPECT_EQ(text(abi.declared), text(abi.published)) << "IID_" << abi.name;
    EXPECT_EQ(text(abi.uuidOf), text(abi.published)) << "__uuidof(" << abi.name << ")";
}

std::string interfaceName(const ::testing::TestParamInfo<size_t>& info) {
    return abiInterfaces[info.param].name;
}

INSTANTIATE_TEST_SUITE_P(FactSheet, WebView2Abi,
                         ::testing::Range<size_t>(0, std::size(abiInterfaces)), interfaceName);

TEST(WebView2AbiSheet, CoversEveryInterfaceWithDistinctIids) {
    EXPECT_EQ(std::size(abiInterfaces), 35u);
    EXPECT_EQ(abiMethodCount, 199u);
    std::set<std::string> iids;
    for (const AbiInterface& abi : abiInterfaces)
        iids.insert(text(abi.declared));
    EXPECT_EQ(iids.size(), std::size(abiInterfaces));
}

// Written out by hand, independently of the generated table: ICoreWebView2_2 extends the
// ICoreWebView2 vtable, so its own methods start after IUnknown's 3 and ICoreWebView2's 58.
TEST(WebView2AbiSheet, View2MethodsFollowAllOfTheViewsMethods) {
    auto* view2 = reinterpret_cast<ICoreWebView2_2*>(&slotObject());
    EXPECT_EQ(view2->get_Settings(nullptr), 3);
    EXPECT_EQ(view2->remove_WindowCloseRequested({}), 3 + 57);
    EXPECT_EQ(view2->add_WebResourceResponseReceived(nullptr, nullptr), 3 + 58);
    EXPECT_EQ(view2->add_DOMContentLoaded(nullptr, nullptr), 3 + 58 + 3);
    EXPECT_EQ(view2->get_Environment(nullptr), 3 + 58 + 6);
    ICoreWebView2* asView = view2;
    EXPECT_EQ(static_cast<void*>(asView), static_cast<void*>(view2));
}

// Also by hand: each newer settings interface extends the one before, so the swipe setting of
// ICoreWebView2Settings6 comes after IUnknown's 3, the first settings' 18 and the 2 + 2 + 4 + 2 of
// ICoreWebView2Settings2 to 5.
TEST(WebView2AbiSheet, NewerSettingsFollowAllOfTheOlderOnes) {
    auto* settings6 = reinterpret_cast<ICoreWebView2Settings6*>(&slotObject());
    EXPECT_EQ(settings6->put_IsBuiltInErrorPageEnabled(FALSE), 3 + 17);
    EXPECT_EQ(settings6->get_UserAgent(nullptr), 3 + 18);
    EXPECT_EQ(settings6->put_AreBrowserAcceleratorKeysEnabled(FALSE), 3 + 18 + 2 + 1);
    EXPECT_EQ(settings6->put_IsGeneralAutofillEnabled(FALSE), 3 + 18 + 2 + 2 + 3);
    EXPECT_EQ(settings6->put_IsPinchZoomEnabled(FALSE), 3 + 18 + 2 + 2 + 4 + 1);
    EXPECT_EQ(settings6->put_IsSwipeNavigationEnabled(FALSE), 3 + 18 + 2 + 2 + 4 + 2 + 1);
}

TEST(WebView2AbiSheet, EnumerationsHaveThePublishedValues) {
    static_assert(sizeof(COREWEBVIEW2_WEB_RESOURCE_CONTEXT) == 4);
    static_assert(sizeof(COREWEBVIEW2_PERMISSION_STATE) == 4);
    static_assert(sizeof(COREWEBVIEW2_PERMISSION_KIND) == 4);
    static_assert(sizeof(COREWEBVIEW2_MOVE_FOCUS_REASON) == 4);
    static_assert(sizeof(COREWEBVIEW2_PROCESS_FAILED_KIND) == 4);
    static_assert(sizeof(COREWEBVIEW2_PROCESS_FAILED_REASON) == 4);
    const std::pair<int, int> values[] = {
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL, 0},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT, 1},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_STYLESHEET, 2},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_IMAGE, 3},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MEDIA, 4},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FONT, 5},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT, 6},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_XML_HTTP_REQUEST, 7},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH, 8},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_TEXT_TRACK, 9},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_EVENT_SOURCE, 10},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_WEBSOCKET, 11},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MANIFEST, 12},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SIGNED_EXCHANGE, 13},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_PING, 14},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_CSP_VIOLATION_REPORT, 15},
        {COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER, 16},
        {COREWEBVIEW2_PERMISSION_STATE_DEFAULT, 0},
        {COREWEBVIEW2_PERMISSION_STATE_ALLOW, 1},
        {COREWEBVIEW2_PERMISSION_STATE_DENY, 2},
        {COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION, 0},
        {COREWEBVIEW2_PERMISSION_KIND_MICROPHONE, 1},
        {COREWEBVIEW2_PERMISSION_KIND_CAMERA, 2},
        {COREWEBVIEW2_PERMISSION_KIND_GEOLOCATION, 3},
        {COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS, 4},
        {COREWEBVIEW2_PERMISSION_KIND_OTHER_SENSORS, 5},
        {COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ, 6},
        {COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC, 0},
        {COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT, 1},
        {COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS, 2},
        {COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED, 0},
        {COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED, 1},
        {COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE, 2},
        {COREWEBVIEW2_PROCESS_FAILED_KIND_FRAME_RENDER_PROCESS_EXITED, 3},
        {COREWEBVIEW2_PROCESS_FAILED_KIND_UTILITY_PROCESS_EXITED, 4},
        {COREWEBVIEW2_PROCESS_FAILED_KIND_SANDBOX_HELPER_PROCESS_EXITED, 5},
        {COREWEBVIEW2_PROCESS_FAILED_KIND_GPU_PROCESS_EXITED, 6},
        {COREWEBVIEW2_PROCESS_FAILED_KIND_PPAPI_PLUGIN_PROCESS_EXITED, 7},
        {COREWEBVIEW2_PROCESS_FAILED_KIND_PPAPI_BROKER_PROCESS_EXITED, 8},
        {COREWEBVIEW2_PROCESS_FAILED_KIND_UNKNOWN_PROCESS_EXITED, 9},
        {COREWEBVIEW2_PROCESS_FAILED_REASON_UNEXPECTED, 0},
        {COREWEBVIEW2_PROCESS_FAILED_REASON_UNRESPONSIVE, 1},
        {COREWEBVIEW2_PROCESS_FAILED_REASON_TERMINATED, 2},
        {COREWEBVIEW2_PROCESS_FAILED_REASON_CRASHED, 3},
        {COREWEBVIEW2_PROCESS_FAILED_REASON_LAUNCH_FAILED, 4},
        {COREWEBVIEW2_PROCESS_FAILED_REASON_OUT_OF_MEMORY, 5},
        {COREWEBVIEW2_PROCESS_FAILED_REASON_PROFILE_DELETED, 6},
        {COREWEBVIEW2_PROCESS_FAILED_REASON_NORMAL_EXIT, 7},
        {COREWEBVIEW2_PROCESS_FAILED_REASON_ABNORMAL_EXIT, 8},
        {COREWEBVIEW2_PROCESS_FAILED_REASON_INTEGRITY_FAILURE, 9},
    };
    for (size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(values[i].first, values[i].second) << "row " << i;
    }
}

TEST(WebView2AbiSheet, LoaderFunctionTypesMatchTheExports) {
    static_assert(std::is_same_v<CreateCoreWebView2EnvironmentWithOptionsFn,
                                 HRESULT(STDMETHODCALLTYPE*)(
                                     PCWSTR, PCWSTR, ICoreWebView2EnvironmentOptions*,
                                     ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*)>);
    static_assert(std::is_same_v<GetAvailableCoreWebView2BrowserVersionStringFn,
                                 HRESULT(STDMETHODCALLTYPE*)(PCWSTR, LPWSTR*)>);
    static_assert(sizeof(EventRegistrationToken) == 8);
    SUCCEED();
}

}  // namespace
