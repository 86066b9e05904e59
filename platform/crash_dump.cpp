#include "platform/crash_dump.h"

#include <windows.h>
#include <dbghelp.h>

#include <exception>

#include "platform/fixed_text.h"
#include "platform/run_log.h"
#include "platform/system_library.h"

namespace quorvane {

namespace {

// Everything the handler needs is made ready when it is installed: once the process is crashing,
// its heap and loader may be in any state, so the handler allocates nothing and loads nothing.
decltype(&MiniDumpWriteDump) writeDump = nullptr;
wchar_t crashFolder[MAX_PATH + 16] = {};  // "<folder>\crashes", empty when too long
LONG handling = 0;
DWORD handlingThread = 0;

using WidePath = wchar_t[MAX_PATH + 64];

bool appendWide(WidePath& path, const wchar_t* part) {
    size_t length = 0;
    while (path[length] != L'\0')
        ++length;
    for (; *part != L'\0'; ++part) {
        if (length + 1 >= sizeof(WidePath) / sizeof(wchar_t))
            return false;
        path[length++] = *part;
    }
    path[length] = L'\0';
    return true;
}

// "<folder>\<name>".
bool filePath(WidePath& path, const wchar_t* folder, const wchar_t* name) {
    path[0] = L'\0';
    return appendWide(path, folder) && appendWide(path, L"\\") && appendWide(path, name);
}

// Keeps the newest kCrashDumpsKept dumps. Their names are UTC times, so the oldest sorts first.
void removeOldDumps() {
    WidePath pattern;
    if (!filePath(pattern, crashFolder, L"*.dmp"))
        return;
    for (;;) {
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW(pattern, &entry);
        if (search == INVALID_HANDLE_VALUE)
            return;
        int count = 0;
        wchar_t oldest[MAX_PATH] = {};
        do {
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            ++count;
            if (oldest[0] == L'\0' || lstrcmpW(entry.cFileName, oldest) < 0)
                lstrcpynW(oldest, entry.cFileName, MAX_PATH);
        } while (FindNextFileW(search, &entry));
        FindClose(search);
        WidePath path;
        if (count <= kCrashDumpsKept || !filePath(path, crashFolder, oldest) || !DeleteFileW(path))
            return;
    }
}

// Writes the dump; |name| gets its file name (empty when none was written).
void writeCrashDump(EXCEPTION_POINTERS* pointers, CrashDumpName& name) {
    name[0] = L'\0';
    if (writeDump == nullptr || crashFolder[0] == L'\0')
        return;
    CreateDirectoryW(crashFolder, nullptr);
    SYSTEMTIME now;
    GetSystemTime(&now);
    HANDLE file = createCrashDumpFile(crashFolder, now, name);
    if (file == INVALID_HANDLE_VALUE)
        return;
    MINIDUMP_EXCEPTION_INFORMATION exception = {GetCurrentThreadId(), pointers, FALSE};
    const BOOL written = writeDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal,
                                   pointers != nullptr ? &exception : nullptr, nullptr, nullptr);
    CloseHandle(file);
    if (written)
        return;
    WidePath path;
    if (filePath(path, crashFolder, name))
        DeleteFileW(path);
    name[0] = L'\0';
}

// "crash exception=0xC0000005 address=0x... (Game.exe+0x1A2B) reading 0x... dump=<name>".
void logCrash(const EXCEPTION_RECORD* record, const CrashDumpName& dumpName) {
    FixedText<600> line;
    line.append("crash exception=").appendHex(record->ExceptionCode, 8);
    const auto address = reinterpret_cast<ULONG_PTR>(record->ExceptionAddress);
    line.append(" address=").appendHex(address, 16);
    HMODULE module = nullptr;
    wchar_t modulePath[MAX_PATH] = {};
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(address), &module) &&
        GetModuleFileNameW(module, modulePath, MAX_PATH) > 0) {
        const wchar_t* base = modulePath;
        for (const wchar_t* c = modulePath; *c != L'\0'; ++c) {
            if (*c == L'\\' || *c == L'/')
                base = c + 1;
        }
        char baseName[MAX_PATH * 3] = {};
        WideCharToMultiByte(CP_UTF8, 0, base, -1, baseName, sizeof baseName, nullptr, nullptr);
        line.append(" (").append(baseName).append("+");
        line.appendHex(address - reinterpret_cast<ULONG_PTR>(module), 8).append(")");
    }
    if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2) {
        const ULONG_PTR access = record->ExceptionInformation[0];
        line.append(access == 0 ? " reading " : access == 8 ? " executing " : " writing ");
        line.appendHex(record->ExceptionInformation[1], 16);
    }
    line.append(" dump=");
    if (dumpName[0] == L'\0') {
        line.append("none");
    } else {
        line.append("crashes\\");
        for (const wchar_t* c = dumpName; *c != L'\0'; ++c) {
            const char narrow = static_cast<char>(*c);
            line.append(std::string_view(&narrow, 1));
        }
    }
    logLineWhileCrashing(line.view());
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* pointers) {
    EXCEPTION_RECORD fallback = {};
    const EXCEPTION_RECORD* record =
        pointers != nullptr && pointers->ExceptionRecord != nullptr ? pointers->ExceptionRecord
                                                                    : &fallback;
    const DWORD code = record->ExceptionCode;
    if (InterlockedCompareExchange(&handling, 1, 0) != 0) {
        // A crash while reporting one (on the reporting thread) ends the process at once; another
        // thread's waits for the report, which ends the process, for a bounded time.
        if (handlingThread != GetCurrentThreadId())
            Sleep(15000);
        TerminateProcess(GetCurrentProcess(), code);
    }
    handlingThread = GetCurrentThreadId();
    CrashDumpName dumpName;
    writeCrashDump(pointers, dumpName);
    logCrash(record, dumpName);
    removeOldDumps();
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_EXECUTE_HANDLER;
}

// A C++ exception that nothing caught: reported as an exception of its own code, raised here.
[[noreturn]] void onTerminate() {
    CONTEXT context = {};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = kUncaughtCppException;
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
    EXCEPTION_POINTERS pointers = {&record, &context};
    onUnhandledException(&pointers);
    TerminateProcess(GetCurrentProcess(), kUncaughtCppException);
    for (;;)
        Sleep(INFINITE);
}

}  // namespace

HANDLE createCrashDumpFile(const wchar_t* folder, const SYSTEMTIME& time,
                           CrashDumpName& name) noexcept {
    FixedText<32> stamp;
    stamp.appendUtcTime(time, true);
    for (unsigned attempt = 0; attempt < 10; ++attempt) {
        FixedText<40> text;
        text.append(stamp.view());
        if (attempt > 0)
            text.append("-").appendDecimal(attempt);
        text.append(".dmp");
        for (size_t i = 0; i < text.size(); ++i)
            name[i] = static_cast<wchar_t>(text.data()[i]);
        name[text.size()] = L'\0';
        WidePath path;
        if (!filePath(path, folder, name))
            break;
        // Never CREATE_ALWAYS: the dump of another crash within the same millisecond (another
        // instance of the game, say) is kept.
        HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        if (GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    name[0] = L'\0';
    return INVALID_HANDLE_VALUE;
}

void installCrashHandler(const std::wstring& folder) noexcept {
    writeDump = systemFunction<decltype(&MiniDumpWriteDump)>(L"dbghelp.dll", "MiniDumpWriteDump");
    crashFolder[0] = L'\0';
    if (!folder.empty() && folder.size() + 8 < MAX_PATH) {
        lstrcpynW(crashFolder, folder.c_str(), MAX_PATH);
        lstrcatW(crashFolder, L"\\crashes");
    }
    // No system error report offered for a crash this handler cannot take.
    SetErrorMode(GetErrorMode() | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(onUnhandledException);
    std::set_terminate(onTerminate);
}

}  // namespace quorvane
