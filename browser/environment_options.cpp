#include "browser/environment_options.h"

#include <objbase.h>

#include <new>

#include "platform/ascii_case.h"
#include "platform/com_object.h"
#include "platform/scoped_com_mem.h"

namespace quorvane {

const wchar_t* const targetCompatibleBrowserVersion = L"89.0.774.44";

namespace {

HRESULT copyIn(LPCWSTR value, std::wstring& into) noexcept {
    if (value == nullptr)
        return E_INVALIDARG;
    try {
        into = value;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

class EnvironmentOptions final
    : public ComObject<EnvironmentOptions, ICoreWebView2EnvironmentOptions> {
  public:
    EnvironmentOptions() : ComObject(IID_ICoreWebView2EnvironmentOptions) {}

    HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) noexcept override {
        return copyToTaskMemory(additionalBrowserArguments_, value);
    }
    HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) noexcept override {
        return copyIn(value, additionalBrowserArguments_);
    }
    HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) noexcept override {
        return copyToTaskMemory(language_, value);
    }
    HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) noexcept override {
        return copyIn(value, language_);
    }
    HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) noexcept override {
        return copyToTaskMemory(targetCompatibleBrowserVersion_, value);
    }
    HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) noexcept override {
        return copyIn(value, targetCompatibleBrowserVersion_);
    }
    HRESULT STDMETHODCALLTYPE
    get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) noexcept override {
        if (allow == nullptr)
            return E_POINTER;
        *allow = allowSingleSignOn_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) noexcept override {
        allowSingleSignOn_ = allow ? TRUE : FALSE;
        return S_OK;
    }

  private:
    friend class ComObject<EnvironmentOptions, ICoreWebView2EnvironmentOptions>;
    ~EnvironmentOptions() = default;

    std::wstring additionalBrowserArguments_;
    std::wstring language_;
    std::wstring targetCompatibleBrowserVersion_ = targetCompatibleBrowserVersion;
    BOOL allowSingleSignOn_ = FALSE;
};

// Whether one token of the command line is the switch |name|.
bool isSwitch(std::wstring_view token, std::wstring_view name) {
    for (std::wstring_view prefix : {L"--", L"-", L"/"}) {
        if (token.starts_with(prefix)) {
            token.remove_prefix(prefix.size());
            return equalsIgnoringAsciiCase(token.substr(0, token.find(L'=')), name);
        }
    }
    return false;
}

}  // namespace

const wchar_t* gpuSwitch(GpuPreference gpu) {
    switch (gpu) {
        case GpuPreference::HighPerformance:
            return L"--force_high_performance_gpu";
        case GpuPreference::LowPower:
            return L"--force_low_power_gpu";
        case GpuPreference::Default:
            break;
    }
    return nullptr;
}

bool holdsSwitch(std::wstring_view arguments, std::wstring_view name) {
    std::wstring token;
    bool quoted = false;
    bool inToken = false;
    for (size_t i = 0; i <= arguments.size(); ++i) {
        const wchar_t unit = i < arguments.size() ? arguments[i] : L' ';
        if (unit == L'"') {
            quoted = !quoted;
            inToken = true;
        } else if (!quoted && (unit == L' ' || unit == L'\t')) {
            if (inToken) {
                if (token == L"--")
                    return false;
                if (isSwitch(token, name))
                    return true;
            }
            token.clear();
            inToken = false;
        } else {
            token.push_back(unit);
            inToken = true;
        }
    }
    return false;
}

std::wstring browserArguments(const std::wstring& chromiumArgs, GpuPreference gpu) {
    const wchar_t* gpuArgument = gpuSwitch(gpu);
    if (gpuArgument == nullptr || holdsSwitch(chromiumArgs, gpuArgument + 2))
        return chromiumArgs;
    return chromiumArgs.empty() ? std::wstring(gpuArgument) : chromiumArgs + L" " + gpuArgument;
}

ComRef<ICoreWebView2EnvironmentOptions> newEnvironmentOptions() {
    try {
        return ComRef<ICoreWebView2EnvironmentOptions>(new EnvironmentOptions());
    } catch (const std::bad_alloc&) {
        return {};
    }
}

ComRef<ICoreWebView2EnvironmentOptions> makeEnvironmentOptions(const std::wstring& chromiumArgs) {
    ComRef<ICoreWebView2EnvironmentOptions> options = newEnvironmentOptions();
    if (options && FAILED(options->put_AdditionalBrowserArguments(chromiumArgs.c_str()))) {
        options.reset();
    }
    return options;
}

}  // namespace quorvane
