#pragma once

#include <windows.h>
#include <urlmon.h>

#include <cstdint>

namespace quorvane {

// The status callback of the bootstrapper download: turns each progress notification into a
// position of the install window's progress bar, and remembers the HTTP status the server
// answered with, so the worker can tell a real download from an error page (urlmon may report
// success for an HTTP error status and write the server's error page to the file).
//
// It lives on the worker's stack for the length of one URLDownloadToFileW call, so AddRef and
// Release are constants and never destroy it. QueryInterface answers IHttpNegotiate only (the
// interface through which urlmon hands over the response status) and refuses every other
// interface, IUnknown and IBindStatusCallback included: urlmon uses the pointer it is given
// directly.
class DownloadProgress final : public IBindStatusCallback, public IHttpNegotiate {
  public:
    explicit DownloadProgress(HWND progressBar) : progressBar_(progressBar) {}

    // The status of the last HTTP response seen, 0 while none has been.
    DWORD httpStatus() const { return httpStatus_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 1; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }

    // IBindStatusCallback
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                         LPCWSTR statusText) noexcept override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*,
                                              STGMEDIUM*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) noexcept override {
        return E_NOTIMPL;
    }

    // IHttpNegotiate
    HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved,
                                                   LPWSTR* additionalHeaders) noexcept override;
    HRESULT STDMETHODCALLTYPE OnResponse(DWORD responseCode, LPCWSTR responseHeaders,
                                         LPCWSTR requestHeaders,
                                         LPWSTR* additionalRequestHeaders) noexcept override;

  private:
    HWND progressBar_;
    DWORD httpStatus_ = 0;
};

// The bar position for |progress| bytes of |progressMax|: progress x 100 / max in single
// precision, multiplication first, truncated toward zero. Values above 100 are kept (the control
// clamps them); a result beyond the 32-bit range is held at INT32_MAX instead of overflowing.
int32_t downloadPercentage(ULONG progress, ULONG progressMax);

}  // namespace quorvane
