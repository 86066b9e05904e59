// Figures for the shell's side of a save's round trip, printed by scripts/bench-saves.sh beside
// the page's own; not a test. Medians of repeated rounds, each part measured alone in the same run:
// the file work (with and without the flush that makes a save survive a power cut), a whole write
// and read through the page worker as the page posts them, and of that the UI thread's own part.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "messaging/page_message.h"
#include "messaging/page_reply.h"
#include "messaging/page_worker.h"
#include "messaging/save_requests.h"
#include "messaging/save_store.h"
#include "platform/scoped_handle.h"
#include "platform/utf8.h"
#include "tests/support/temp_dir.h"

namespace quorvane {
namespace {

double nowMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

double medianMs(int rounds, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const double start = nowMs();
        work();
        times.push_back(nowMs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The same file work without FlushFileBuffers, to show what the flush costs.
void writeUnflushed(const std::wstring& path, const std::string& text) {
    const std::wstring temporary = path + L".unflushed";
    {
        ScopedHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

size_t sent = 0;
void countReply(const std::wstring& json) {
    sent += json.size();
}

}  // namespace
}  // namespace quorvane

int wmain() {
    using namespace quorvane;
    testing::TempDir dir;
    const std::wstring folder = dir.path();
    setReplySink(countReply);
    HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    startPageWorker([wake] { SetEvent(wake); });
    useSavesFolder(folder);
    std::printf("%-8s %12s %12s %12s %14s %12s\n", "text", "write+read", "unflushed", "read alone",
                "via worker", "UI thread");
    for (const auto& [label, size, rounds] :
         {std::tuple{"1 KiB", size_t{1024}, 60}, std::tuple{"1 MiB", size_t{1} << 20, 20}}) {
        const std::string text(size, 'x');
        const double both = medianMs(rounds, [&] {
            writeSave(folder, "bench", text);
            readSave(folder, "bench");
        });
        const double unflushed = medianMs(rounds, [&] {
            writeUnflushed(folder + L"\\plain", text);
            readSave(folder, "plain");
        });
        const double read = medianMs(rounds, [&] { readSave(folder, "bench"); });
        // A write and a read as the page posts them: the UI thread copies each message and later
        // posts each answer; parsing, checking, the files and making the answers are the worker's.
        const std::wstring write =
            utf8ToWide(R"({"type":"saves.write","id":1,"name":"bench","text":")" + text + "\"}");
        const std::wstring ask = LR"({"type":"saves.read","id":2,"name":"bench"})";
        std::vector<double> uiTimes;
        const double whole = medianMs(rounds, [&] {
            const size_t before = sent;
            double ui = 0;
            double start = nowMs();
            handlePageMessage(write);
            handlePageMessage(ask);
            ui += nowMs() - start;
            while (sent < before + size) {
                WaitForSingleObject(wake, 1000);
                start = nowMs();
                runPageWorkerTasks();
                ui += nowMs() - start;
            }
            uiTimes.push_back(ui);
        });
        std::sort(uiTimes.begin(), uiTimes.end());
        std::printf("%-8s %9.2f ms %9.2f ms %9.2f ms %11.2f ms %9.2f ms\n", label, both, unflushed,
                    read, whole, uiTimes[uiTimes.size() / 2]);
    }
    stopPageWorker();
    CloseHandle(wake);
    std::printf(
        "(UI thread: copying the two messages and posting the two answers; the rest of\n"
        " \"via worker\" runs on the page worker while the window goes on)\n");
    return sent > 0 ? 0 : 1;
}
