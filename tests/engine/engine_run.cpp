#include "tests/engine/engine_run.h"

#include <windows.h>

#include <stdexcept>

#include "tests/standin/standin_client.h"
#include "tests/support/files.h"

#ifndef QV_ENGINE_DLL
#error "QV_ENGINE_DLL must name the engine runtime"
#endif
#ifndef QV_ENGINE_PAGES
#error "QV_ENGINE_PAGES must name the folder of test pages"
#endif

namespace quorvane::testing {

namespace {

void copyTree(const std::wstring& from, const std::wstring& to) {
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((from + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        throw std::runtime_error("no folder " + narrow(from));
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            copyTree(from + L"\\" + name, to + L"\\" + name);
        else if (!CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE))
            throw std::runtime_error("cannot copy " + narrow(from + L"\\" + name));
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

}  // namespace

std::vector<std::string> EngineRun::linesStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : log) {
        if (line.starts_with(prefix))
            found.push_back(line);
    }
    return found;
}

std::string EngineRun::lastTitle() const {
    std::vector<std::string> titles = linesStartingWith("title \"");
    if (titles.empty())
        return {};
    std::string title = titles.back().substr(7);
    if (!title.empty())
        title.pop_back();
    return title;
}

std::string EngineRun::text() const {
    std::string all;
    for (const std::string& line : log)
        all += "  " + line + "\n";
    return all;
}

EngineApp::EngineApp(const std::string& manifest, const std::wstring& page) {
    folder.installExecutable();
    folder.writePackageJson(manifest);
    if (!CopyFileW(buildOutputPath(QV_ENGINE_DLL).c_str(), (folder / L"WebView2Loader.dll").c_str(),
                   FALSE)) {
        throw std::runtime_error("cannot copy the engine runtime");
    }
    if (!page.empty())
        copyTree(buildOutputPath(QV_ENGINE_PAGES) + L"\\" + page, folder / L"www");
}

EngineRun runInEngine(const EngineApp& app, const std::string& steps, MainWindowWatch* watch,
                      const std::wstring& arguments) {
    const std::wstring log = app.folder.root() + L"\\engine.log";
    const std::wstring stepsFile = app.folder.root() + L"\\steps.json";
    writeFile(stepsFile, steps);
    DeleteFileW(log.c_str());
    // The child inherits these with the rest of this process's environment.
    SetEnvironmentVariableW(L"QV_ENGINE_LOG", log.c_str());
    SetEnvironmentVariableW(L"QV_ENGINE_STEPS", stepsFile.c_str());
    SetEnvironmentVariableW(L"QV_ENGINE_SECONDS", nullptr);
    RunOptions options;
    options.timeoutMs = 60000;
    options.arguments = arguments;
    if (watch != nullptr)
        options.watch = [watch](DWORD processId) { (*watch)(processId); };
    EngineRun result;
    result.run = runApp(app.folder, options);
    if (fileExists(log)) {
        for (const std::string& line : splitLines(readFile(log))) {
            const size_t space = line.find(' ');
            result.log.push_back(space == std::string::npos ? line : line.substr(space + 1));
        }
    }
    return result;
}

}  // namespace quorvane::testing
