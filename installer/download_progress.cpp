#include "installer/download_progress.h"

#include <commctrl.h>

namespace quorvane {

HRESULT STDMETHODCALLTYPE DownloadProgress::QueryInterface(REFIID riid, void** object) noexcept {
    if (object == nullptr)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IHttpNegotiate)) {
        *object = static_cast<IHttpNegotiate*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

int32_t downloadPercentage(ULONG progress, ULONG progressMax) {
    float percent = static_cast<float>(progress) * 100.0f / static_cast<float>(progressMax);
    // 2^31 is exactly representable; anything from there up would overflow the conversion.
    if (percent >= 2147483648.0f)
        return INT32_MAX;
    return static_cast<int32_t>(percent);
}

HRESULT STDMETHODCALLTYPE DownloadProgress::OnProgress(ULONG progress, ULONG progressMax, ULONG,
                                                       LPCWSTR) noexcept {
    // Whatever stage the notification reports, a known total moves the bar; an unknown one
    // (0) leaves it where it is.
    if (progressMax == 0)
        return S_OK;
    int32_t percent = downloadPercentage(progress, progressMax);
    SendMessageW(progressBar_, PBM_SETPOS, static_cast<WPARAM>(static_cast<INT_PTR>(percent)), 0);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadProgress::BeginningTransaction(
    LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) noexcept {
    if (additionalHeaders != nullptr)
        *additionalHeaders = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DownloadProgress::OnResponse(DWORD responseCode, LPCWSTR, LPCWSTR,
                                                       LPWSTR* additionalRequestHeaders) noexcept {
    if (additionalRequestHeaders != nullptr)
        *additionalRequestHeaders = nullptr;
    httpStatus_ = responseCode;
    return S_OK;
}

}  // namespace quorvane
