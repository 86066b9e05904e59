#include "tests/harness/app_folder.h"

#include <windows.h>

#include <stdexcept>

#include "tests/browser/runtime_layout.h"
#include "tests/support/files.h"

namespace quorvane::testing {

namespace {

void copyInto(const std::wstring& from, const std::wstring& to) {
    // writeFile creates the parents; the copy then replaces the empty file.
    testing::writeFile(to, "");
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy " + narrow(from) + " to " + narrow(to));
    }
}

}  // namespace

std::wstring shellExecutablePath() {
    return buildOutputPath(QV_SHELL_EXE);
}

AppFolder::AppFolder() : path_(temp_ / L"app") {
    if (!CreateDirectoryW(path_.c_str(), nullptr)) {
        throw std::runtime_error("cannot create the application folder");
    }
}

void AppFolder::installExecutable(const std::wstring& program) {
    size_t slash = program.find_last_of(L"\\/");
    executable_ = *this / program.substr(slash == std::wstring::npos ? 0 : slash + 1);
    copyInto(program, executable_);
}

void AppFolder::writePackageJson(std::string_view text) {
    writeFile(L"package.json", text);
}

void AppFolder::writeFile(const std::wstring& relative, std::string_view bytes) {
    testing::writeFile(*this / relative, bytes);
}

void AppFolder::placeLoaderBesideExe() {
    copyInto(standinDllPath(), *this / L"WebView2Loader.dll");
}

void AppFolder::placeFixedRuntime(const std::wstring& folder) {
    placeClientLibrary(*this / folder, standinDllPath());
}

}  // namespace quorvane::testing
