#include "tests/e2e/scheme_handlers.h"

#include <windows.h>

#include "tests/standin/standin_client.h"
#include "tests/support/files.h"

#ifndef QV_LINK_RECORDER
#error "QV_LINK_RECORDER must name the link recorder program"
#endif

namespace quorvane::testing {
namespace {

std::wstring readDefault(const std::wstring& key) {
    wchar_t value[2048] = {};
    DWORD size = sizeof value;
    RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

void setValue(const std::wstring& key, const wchar_t* name, const std::wstring& text) {
    HKEY handle = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                    nullptr);
    RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
}

}  // namespace

SchemeHandlers::SchemeHandlers(const std::vector<std::wstring>& schemes, const std::wstring& log) {
    const std::wstring command =
        L"\"" + buildOutputPath(QV_LINK_RECORDER) + L"\" \"" + log + L"\" \"%1\"";
    for (const std::wstring& scheme : schemes) {
        const std::wstring key = L"Software\\Classes\\" + scheme;
        Saved saved{key, false, {}};
        HKEY existing = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &existing) ==
            ERROR_SUCCESS) {
            saved.existed = true;
            RegCloseKey(existing);
            saved.command = readDefault(key + L"\\shell\\open\\command");
        }
        saved_.push_back(saved);
        if (!saved.existed) {
            setValue(key, nullptr, L"URL:" + scheme);
            setValue(key, L"URL Protocol", L"");
        }
        setValue(key + L"\\shell\\open\\command", nullptr, command);
    }
}

SchemeHandlers::~SchemeHandlers() {
    for (const Saved& saved : saved_) {
        if (saved.existed) {
            setValue(saved.key + L"\\shell\\open\\command", nullptr, saved.command);
        } else {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, saved.key.c_str());
        }
    }
}

std::vector<std::string> recordedLinks(const std::wstring& log) {
    return fileExists(log) ? splitLines(readFile(log)) : std::vector<std::string>{};
}

}  // namespace quorvane::testing
