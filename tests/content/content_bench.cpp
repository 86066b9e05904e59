// Figures for the content server, printed for the README; not a test. Every baseline is measured
// in the same run, on the same files, interleaved with what it is compared against.
#include <windows.h>
#include <psapi.h>
#include <shlwapi.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/com_ref.h"
#include "content/app_origin.h"
#include "content/content_server.h"
#include "content/mapped_file_cache.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace quorvane {
namespace {

using testing::TempDir;

double now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

// Microseconds per call: the best of |rounds| rounds of |calls| calls each, so that a stall of
// the shared machine does not count.
double perCall(const std::function<void()>& work, int calls, int rounds = 7) {
    work();
    double best = 1e30;
    for (int round = 0; round < rounds; ++round) {
        double start = now();
        for (int i = 0; i < calls; ++i)
            work();
        best = std::min(best, (now() - start) / calls * 1e6);
    }
    return best;
}

struct Memory {
    double workingSetMiB;
    double privateMiB;
};

// Wine fills PrivateUsage from the swap in use (zero on these machines), so the working set is
// reported too: the bytes a copy touches show there.
Memory memory() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    const double mib = 1024.0 * 1024.0;
    return {static_cast<double>(counters.WorkingSetSize) / mib,
            static_cast<double>(counters.PrivateUsage) / mib};
}

void drain(IStream* stream, std::vector<char>& buffer) {
    ULONG got = 0;
    while (SUCCEEDED(stream->Read(buffer.data(), static_cast<ULONG>(buffer.size()), &got)) &&
           got != 0) {
    }
}

std::string sizeName(uint64_t bytes) {
    if (bytes >= (1u << 20))
        return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= 1024)
        return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " B";
}

int run() {
    TempDir dir;
    const std::wstring www = dir / L"www\\";
    const uint64_t bigSize = uint64_t{200} << 20;
    std::string small(2048, 'x');
    testing::writeFile(www + L"index.html", small);
    {
        std::string big(static_cast<size_t>(bigSize), '\0');
        for (size_t i = 0; i < big.size(); i += 4096)
            big[i] = static_cast<char>(i >> 12);
        testing::writeFile(www + L"media\\movie.mp4", big);
    }
    const std::wstring smallPath = www + L"index.html";
    const std::wstring bigPath = www + L"media\\movie.mp4";
    MappedFileCache cache;
    std::vector<char> chunk(64 * 1024);

    std::printf("Content server figures (Wine %s, one process, best of 7 rounds)\n\n",
                GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") ? "yes" : "no");

    // 1. A 200 answer for a 2 KiB file against the platform calls it cannot avoid.
    {
        auto floor = [&] {
            DWORD attributes = GetFileAttributesW(smallPath.c_str());
            struct _stat info;
            _wstat(smallPath.c_str(), &info);
            IStream* stream = nullptr;
            SHCreateStreamOnFileEx(smallPath.c_str(), STGM_READ, 0, FALSE, nullptr, &stream);
            if (stream != nullptr && attributes != INVALID_FILE_ATTRIBUTES)
                stream->Release();
        };
        const std::wstring uri = appOrigin + L"index.html";
        auto answer = [&] { Answer a = answerRequest(uri, nullptr, www, cache, Isolation::None); };
        auto isolated = [&] {
            Answer a = answerRequest(uri, nullptr, www, cache, Isolation::CrossOrigin);
        };
        double floorUs = 0, answerUs = 0, isolatedUs = 0;
        for (int pass = 0; pass < 3; ++pass) {  // interleaved passes, best of each
            double f = perCall(floor, 2000), a = perCall(answer, 2000), i = perCall(isolated, 2000);
            floorUs = pass == 0 ? f : std::min(floorUs, f);
            answerUs = pass == 0 ? a : std::min(answerUs, a);
            isolatedUs = pass == 0 ? i : std::min(isolatedUs, i);
        }
        std::printf("200 answer, 2 KiB file\n");
        std::printf("  floor: GetFileAttributesW + _wstat + SHCreateStreamOnFileEx  %8.2f us\n",
                    floorUs);
        std::printf(
            "  answerRequest (decode, confine, type, stream, headers)       %8.2f us"
            "  (%.2fx the floor)\n",
            answerUs, answerUs / floorUs);
        std::printf(
            "  the same, cross-origin isolated (three more header lines)    %8.2f us"
            "  (%.2fx the floor)\n\n",
            isolatedUs, isolatedUs / floorUs);
    }

    // 2. Partial answers, against copying the same bytes. "copy answer" is the way that copies
    // the range into a memory stream per request, with the same existence and size calls.
    {
        auto mapped = cache.mappedView(L"media/movie.mp4", bigPath);
        std::vector<char> target(64u << 20);
        std::memcpy(target.data(), mapped->bytes(), target.size());  // fault the pages in
        std::printf("Partial answers of media/movie.mp4 (200 MiB), range starting at byte 1000\n");
        std::printf("  %-7s %11s %11s %11s %11s %13s %11s\n", "range", "memcpy", "answer",
                    "answer+read", "first req.", "copy answer", "copy+read");
        for (uint64_t n : {uint64_t{1} << 10, uint64_t{1} << 20, uint64_t{64} << 20}) {
            const std::wstring range = L"bytes=1000-" + std::to_wstring(1000 + n - 1);
            const std::wstring uri = appOrigin + L"media/movie.mp4";
            int calls = n > (1u << 20) ? 10 : (n == (1u << 20) ? 300 : 3000);
            auto copyAnswer = [&] {
                GetFileAttributesW(bigPath.c_str());
                struct _stat info;
                _wstat(bigPath.c_str(), &info);
                return ComRef<IStream>(SHCreateMemStream(
                    reinterpret_cast<const BYTE*>(mapped->bytes() + 1000), static_cast<UINT>(n)));
            };
            double copyUs =
                perCall([&] { std::memcpy(target.data(), mapped->bytes() + 1000, n); }, calls);
            double answerUs = perCall(
                [&] { Answer a = answerRequest(uri, &range, www, cache, Isolation::None); }, calls);
            double readUs = perCall(
                [&] {
                    Answer a = answerRequest(uri, &range, www, cache, Isolation::None);
                    drain(a.body.get(), chunk);
                },
                calls);
            double firstUs = perCall(
                [&] {
                    MappedFileCache fresh;
                    Answer a = answerRequest(uri, &range, www, fresh, Isolation::None);
                },
                std::max(10, calls / 10));
            double copyAnswerUs = perCall([&] { copyAnswer(); }, calls);
            double copyReadUs = perCall([&] { drain(copyAnswer().get(), chunk); }, calls);
            std::printf("  %-7s %8.2f us %8.2f us %8.2f us %8.2f us %10.2f us %8.2f us\n",
                        sizeName(n).c_str(), copyUs, answerUs, readUs, firstUs, copyAnswerUs,
                        copyReadUs);
        }
        std::printf("\n");
    }

    // 3. "bytes=1000-" on the 200 MiB file: what one seek costs the handler, in time and memory.
    {
        const std::wstring uri = appOrigin + L"media/movie.mp4";
        const std::wstring range = L"bytes=1000-";
        auto mapped = cache.mappedView(L"media/movie.mp4", bigPath);
        std::printf("Seek answer \"bytes=1000-\" (200 MiB - 1000 bytes), held until released\n");
        std::printf("  %-38s %12s %14s %14s\n", "per answer", "handler", "working set", "private");
        const int held = 4;
        auto report = [&](const char* what, const std::function<void()>& make) {
            Memory before = memory();
            double start = now();
            for (int i = 0; i < held; ++i)
                make();
            double us = (now() - start) / held * 1e6;
            Memory after = memory();
            std::printf("  %-38s %9.2f us %10.2f MiB %10.2f MiB\n", what, us,
                        (after.workingSetMiB - before.workingSetMiB) / held,
                        (after.privateMiB - before.privateMiB) / held);
        };
        {
            std::vector<Answer> answers;
            report("stream over the view's slice", [&] {
                answers.push_back(answerRequest(uri, &range, www, cache, Isolation::None));
            });
        }
        {
            std::vector<ComRef<IStream>> copies;
            report("copy into a memory stream", [&] {
                copies.emplace_back(
                    SHCreateMemStream(reinterpret_cast<const BYTE*>(mapped->bytes() + 1000),
                                      static_cast<UINT>(bigSize - 1000)));
            });
        }
        std::printf("  handler time by range size (stream over the slice):\n");
        for (uint64_t n :
             {uint64_t{1} << 10, uint64_t{1} << 20, uint64_t{64} << 20, bigSize - 1000}) {
            const std::wstring sized = L"bytes=1000-" + std::to_wstring(1000 + n - 1);
            double us = perCall(
                [&] { Answer a = answerRequest(uri, &sized, www, cache, Isolation::None); }, 2000);
            std::printf("    %-10s %9.2f us\n", sizeName(n).c_str(), us);
        }
    }
    cache.releaseAll();
    return 0;
}

}  // namespace
}  // namespace quorvane

int wmain() {
    return quorvane::run();
}
