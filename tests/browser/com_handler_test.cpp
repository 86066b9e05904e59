#include <windows.h>
#include <unknwn.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "browser/com_handler.h"

namespace {

// A handler interface of the runtime's shape: IUnknown, then Invoke.
const IID IID_ITestHandler = {0x11223344, 0x5566, 0x7788, {1, 2, 3, 4, 5, 6, 7, 8}};
struct ITestHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT code, IUnknown* object) = 0;
};
const IID IID_IOther = {0x99999999, 0x5566, 0x7788, {1, 2, 3, 4, 5, 6, 7, 8}};

}  // namespace

namespace quorvane {
namespace {

TEST(ComHandler, ForwardsInvokeAndAlwaysAnswersOk) {
    HRESULT seen = S_OK;
    IUnknown* seenObject = reinterpret_cast<IUnknown*>(1);
    auto handler = makeHandler<ITestHandler>(IID_ITestHandler, [&](HRESULT code, IUnknown* obj) {
        seen = code;
        seenObject = obj;
    });
    ASSERT_TRUE(handler);
    EXPECT_EQ(handler->Invoke(E_FAIL, nullptr), S_OK);
    EXPECT_EQ(seen, E_FAIL);
    EXPECT_EQ(seenObject, nullptr);
}

TEST(ComHandler, ExceptionsStopAtTheBoundary) {
    auto handler = makeHandler<ITestHandler>(
        IID_ITestHandler, [](HRESULT, IUnknown*) { throw std::runtime_error("inside"); });
    EXPECT_EQ(handler->Invoke(S_OK, nullptr), S_OK);
    auto throwsInt =
        makeHandler<ITestHandler>(IID_ITestHandler, [](HRESULT, IUnknown*) { throw 7; });
    EXPECT_EQ(throwsInt->Invoke(S_OK, nullptr), S_OK);
}

TEST(ComHandler, AnswersOnlyIUnknownAndItsOwnInterface) {
    auto handler = makeHandler<ITestHandler>(IID_ITestHandler, [](HRESULT, IUnknown*) {});
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(handler->QueryInterface(IID_IOther, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(handler->QueryInterface(IID_IDispatch, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(handler->QueryInterface(IID_IOther, nullptr), E_POINTER);

    for (const IID* iid : {&IID_IUnknown, &IID_ITestHandler}) {
        void* found = nullptr;
        ASSERT_EQ(handler->QueryInterface(*iid, &found), S_OK);
        EXPECT_EQ(found, static_cast<void*>(handler.get()));
        EXPECT_EQ(static_cast<IUnknown*>(found)->Release(), 1u);
    }
}

TEST(ComHandler, CountsReferencesAndDestroysItsCallableAtZero) {
    static int destroyed = 0;
    struct Probe {
        ~Probe() { ++destroyed; }
    };
    auto probe = std::make_shared<Probe>();
    destroyed = 0;
    {
        auto handler = makeHandler<ITestHandler>(IID_ITestHandler, [probe](HRESULT, IUnknown*) {});
        probe.reset();
        EXPECT_EQ(handler->AddRef(), 2u);
        EXPECT_EQ(handler->Release(), 1u);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

}  // namespace
}  // namespace quorvane
