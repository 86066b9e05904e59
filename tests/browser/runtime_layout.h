#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace quorvane::testing {

// Gives the module file at |path| a version resource with file version a.b.c.d (replacing any).
void stampFileVersion(const std::wstring& path, WORD a, WORD b, WORD c, WORD d);

// Copies |library| into |runtimeFolder| as the runtime's client library,
// <runtimeFolder>\EBWebView\x64\EmbeddedBrowserWebView.dll, and returns that path.
std::wstring placeClientLibrary(const std::wstring& runtimeFolder, const std::wstring& library);

// The path of this test program.
std::wstring thisProgram();

// Sets or deletes the EdgeUpdate registration of the machine-wide runtime (value EBWebView of the
// stable channel's ClientState key, 32-bit view) under one root for its lifetime, then puts back
// whatever was there before. The registry is shared by every test of the prefix: tests using this
// run serially.
class RuntimeRegistration {
  public:
    // |type| is REG_SZ or REG_EXPAND_SZ.
    RuntimeRegistration(HKEY root, const std::optional<std::wstring>& folder, DWORD type = REG_SZ);
    ~RuntimeRegistration();
    RuntimeRegistration(const RuntimeRegistration&) = delete;
    RuntimeRegistration& operator=(const RuntimeRegistration&) = delete;

  private:
    HKEY root_;
    std::wstring createdKey_;  // the outermost key this created, empty when the key existed
    std::optional<std::wstring> previous_;
};

}  // namespace quorvane::testing
