#include "tools/pack/zip_writer.h"

#include <zlib.h>

#include <limits>

#include "platform/system_error.h"
#include "platform/utf8.h"
#include "tools/pack/file_tree.h"
#include "tools/pack/long_path.h"
#include "tools/pack/interrupt.h"
#include "tools/pack/pack_errors.h"

namespace quorvane::pack {

namespace {

constexpr size_t kChunk = 1 << 20;
constexpr uint32_t kMax32 = 0xFFFFFFFF;
constexpr uint16_t kMax16 = 0xFFFF;
constexpr uint16_t kUtf8Names = 0x0800;
constexpr uint16_t kStored = 0, kDeflated = 8;
constexpr uint16_t kVersion = 20, kVersionZip64 = 45;
// "Made by" MS-DOS (FAT, NTFS): the external attributes are Windows file attributes.
constexpr uint16_t kMadeBy = kVersionZip64;
constexpr uint16_t kZip64Tag = 0x0001, kUnixTimeTag = 0x5455;
constexpr int64_t kFileTimeOfUnixEpoch = 116444736000000000LL;  // 100 ns units since 1601

void putLe(std::string& to, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        to.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

ZipTime fromSystemTime(const SYSTEMTIME& time, int64_t unixSeconds) {
    ZipTime zip;
    zip.unixSeconds = unixSeconds;
    if (time.wYear < 1980) {
        zip.dosDate = (1 << 5) | 1;  // 1980-01-01 00:00:00, the first time MS-DOS knows
    } else if (time.wYear > 2107) {
        zip.dosDate = (127 << 9) | (12 << 5) | 31;
        zip.dosTime = (23 << 11) | (59 << 5) | 29;
    } else {
        zip.dosDate =
            static_cast<uint16_t>(((time.wYear - 1980) << 9) | (time.wMonth << 5) | time.wDay);
        zip.dosTime =
            static_cast<uint16_t>((time.wHour << 11) | (time.wMinute << 5) | (time.wSecond / 2));
    }
    return zip;
}

// The "UT" field with the modification time, when it fits its signed 32 bits.
std::string unixTimeField(int64_t seconds) {
    std::string field;
    if (seconds < std::numeric_limits<int32_t>::min() ||
        seconds > std::numeric_limits<int32_t>::max())
        return field;
    putLe(field, kUnixTimeTag, 2);
    putLe(field, 5, 2);
    field.push_back(1);  // the modification time only
    putLe(field, static_cast<uint32_t>(static_cast<int32_t>(seconds)), 4);
    return field;
}

}  // namespace

ZipTime zipTimeOfFile(const FILETIME& written) {
    const int64_t ticks =
        (static_cast<int64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    const int64_t seconds = (ticks - kFileTimeOfUnixEpoch) / 10000000;
    SYSTEMTIME utc = {}, local = {};
    if (!FileTimeToSystemTime(&written, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        local = {1980, 1, 0, 1};
    return fromSystemTime(local, seconds);
}

ZipTime zipTimeOfUnixSeconds(int64_t seconds) {
    const int64_t ticks = seconds * 10000000 + kFileTimeOfUnixEpoch;
    FILETIME time = {static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc = {1980, 1, 0, 1};
    FileTimeToSystemTime(&time, &utc);
    return fromSystemTime(utc, seconds);
}

// One raw deflate stream (no zlib header), reset for each entry.
struct ZipWriter::Deflater {
    z_stream stream = {};
    Deflater() {
        if (deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw WriteError("cannot start zlib's deflate");
    }
    ~Deflater() { deflateEnd(&stream); }
};

ZipWriter::ZipWriter(const std::wstring& path)
    : path_(path), in_(kChunk), out_(kChunk), deflater_(std::make_unique<Deflater>()) {
    file_.reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_)
        fail("cannot create");
}

ZipWriter::~ZipWriter() {
    if (!finished_) {
        file_.reset();
        DeleteFileW(path_.c_str());
    }
}

void ZipWriter::fail(const std::string& what) const {
    const std::string why = systemErrorText(GetLastError());
    throw WriteError(what + " " + shownPath(path_) + " (" + why + ")");
}

void ZipWriter::failReading(const std::string& name) const {
    const std::string why = systemErrorText(GetLastError());
    throw WriteError("cannot read " + name + " to zip it (" + why + ")");
}

void ZipWriter::put(const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    pending_.insert(pending_.end(), bytes, bytes + size);
    position_ += size;
    if (pending_.size() >= kChunk)
        flush();
}

void ZipWriter::flush() {
    size_t done = 0;
    while (done < pending_.size()) {
        DWORD wrote = 0;
        const DWORD part = static_cast<DWORD>(std::min<size_t>(pending_.size() - done, 1 << 30));
        if (!WriteFile(file_.get(), pending_.data() + done, part, &wrote, nullptr) || wrote == 0)
            fail("cannot write");
        done += wrote;
    }
    pending_.clear();
}

void ZipWriter::seek(uint64_t offset) {
    flush();
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN))
        fail("cannot write");
    position_ = offset;
}

std::string ZipWriter::localHeader(const Entry& entry) const {
    std::string extra;
    if (entry.zip64Local) {
        putLe(extra, kZip64Tag, 2);
        putLe(extra, 16, 2);
        putLe(extra, entry.size, 8);
        putLe(extra, entry.compressedSize, 8);
    }
    extra += unixTimeField(entry.time.unixSeconds);
    std::string header;
    putLe(header, 0x04034b50, 4);
    putLe(header, entry.zip64Local ? kVersionZip64 : kVersion, 2);
    putLe(header, kUtf8Names, 2);
    putLe(header, entry.deflated ? kDeflated : kStored, 2);
    putLe(header, entry.time.dosTime, 2);
    putLe(header, entry.time.dosDate, 2);
    putLe(header, entry.crc, 4);
    putLe(header, entry.zip64Local ? kMax32 : entry.compressedSize, 4);
    putLe(header, entry.zip64Local ? kMax32 : entry.size, 4);
    putLe(header, entry.name.size(), 2);
    putLe(header, extra.size(), 2);
    return header + entry.name + extra;
}

std::string ZipWriter::centralHeader(const Entry& entry) const {
    std::string zip64;
    const bool bigSize = entry.size >= kMax32, bigCompressed = entry.compressedSize >= kMax32,
               bigOffset = entry.offset >= kMax32;
    if (bigSize)
        putLe(zip64, entry.size, 8);
    if (bigCompressed)
        putLe(zip64, entry.compressedSize, 8);
    if (bigOffset)
        putLe(zip64, entry.offset, 8);
    std::string extra;
    if (!zip64.empty()) {
        putLe(extra, kZip64Tag, 2);
        putLe(extra, zip64.size(), 2);
        extra += zip64;
    }
    extra += unixTimeField(entry.time.unixSeconds);
    std::string header;
    putLe(header, 0x02014b50, 4);
    putLe(header, kMadeBy, 2);
    putLe(header, zip64.empty() && !entry.zip64Local ? kVersion : kVersionZip64, 2);
    putLe(header, kUtf8Names, 2);
    putLe(header, entry.deflated ? kDeflated : kStored, 2);
    putLe(header, entry.time.dosTime, 2);
    putLe(header, entry.time.dosDate, 2);
    putLe(header, entry.crc, 4);
    putLe(header, bigCompressed ? kMax32 : entry.compressedSize, 4);
    putLe(header, bigSize ? kMax32 : entry.size, 4);
    putLe(header, entry.name.size(), 2);
    putLe(header, extra.size(), 2);
    putLe(header, 0, 2);  // comment
    putLe(header, 0, 2);  // disk
    putLe(header, 0, 2);  // internal attributes
    putLe(header, entry.folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE, 4);
    putLe(header, bigOffset ? kMax32 : entry.offset, 4);
    return header + entry.name + extra;
}

void ZipWriter::addFolder(const std::string& name, const ZipTime& time) {
    Entry entry;
    entry.name = name;
    entry.time = time;
    entry.folder = true;
    entry.offset = position_;
    put(localHeader(entry));
    entries_.push_back(std::move(entry));
}

void ZipWriter::addFile(const std::string& name, const std::wstring& source, const ZipTime& time) {
    ScopedHandle input(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size = {};
    if (!input || !GetFileSizeEx(input.get(), &size)) {
        const std::string why = systemErrorText(GetLastError());
        throw WriteError("cannot read " + shownPath(source) + " (" + why + ")");
    }
    Entry entry;
    entry.name = name;
    entry.time = time;
    entry.size = static_cast<uint64_t>(size.QuadPart);
    entry.offset = position_;
    entry.zip64Local = entry.size >= kMax32;
    put(localHeader(entry));
    const uint64_t dataStart = position_;
    entry.deflated = entry.size > 0 && writeDeflated(input.get(), entry);
    if (!entry.deflated) {
        // Deflating did not pay: the data goes in as it is, over what deflating wrote.
        seek(dataStart);
        if (!SetEndOfFile(file_.get()))
            fail("cannot write");
        LARGE_INTEGER start = {};
        if (!SetFilePointerEx(input.get(), start, nullptr, FILE_BEGIN)) {
            const std::string why = systemErrorText(GetLastError());
            throw WriteError("cannot read " + shownPath(source) + " (" + why + ")");
        }
        writeStored(input.get(), entry);
    }
    const uint64_t end = position_;
    seek(entry.offset);
    put(localHeader(entry));
    seek(end);
    entries_.push_back(std::move(entry));
}

bool ZipWriter::writeDeflated(HANDLE source, Entry& entry) {
    z_stream& z = deflater_->stream;
    deflateReset(&z);
    uLong crc = crc32(0L, Z_NULL, 0);
    uint64_t read = 0, written = 0;
    for (;;) {
        throwIfInterrupted();
        DWORD got = 0;
        if (!ReadFile(source, in_.data(), static_cast<DWORD>(in_.size()), &got, nullptr))
            failReading(entry.name);
        read += got;
        if (read > entry.size)
            break;  // grew while read: caught by writeStored's check
        crc = crc32(crc, in_.data(), got);
        z.next_in = in_.data();
        z.avail_in = got;
        const int flush = got == 0 ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = out_.data();
            z.avail_out = static_cast<uInt>(out_.size());
            deflate(&z, flush);
            const size_t have = out_.size() - z.avail_out;
            written += have;
            // Never smaller than the data itself: give up at once.
            if (written >= entry.size)
                return false;
            put(out_.data(), have);
        } while (z.avail_out == 0);
        if (got == 0)
            break;
    }
    if (read != entry.size)
        return false;
    entry.crc = static_cast<uint32_t>(crc);
    entry.compressedSize = written;
    return true;
}

void ZipWriter::writeStored(HANDLE source, Entry& entry) {
    uLong crc = crc32(0L, Z_NULL, 0);
    uint64_t read = 0;
    for (;;) {
        throwIfInterrupted();
        DWORD got = 0;
        if (!ReadFile(source, in_.data(), static_cast<DWORD>(in_.size()), &got, nullptr))
            failReading(entry.name);
        if (got == 0)
            break;
        read += got;
        if (read > entry.size)
            break;
        crc = crc32(crc, in_.data(), got);
        put(in_.data(), got);
    }
    if (read != entry.size)
        throw WriteError("\"" + entry.name + "\" changed while it was being zipped");
    entry.crc = static_cast<uint32_t>(crc);
    entry.compressedSize = entry.size;
}

uint64_t ZipWriter::finish() {
    const uint64_t directoryStart = position_;
    for (const Entry& entry : entries_)
        put(centralHeader(entry));
    const uint64_t directorySize = position_ - directoryStart;
    const uint64_t count = entries_.size();
    if (count >= kMax16 || directoryStart >= kMax32 || directorySize >= kMax32) {
        const uint64_t record = position_;
        std::string zip64;
        putLe(zip64, 0x06064b50, 4);
        putLe(zip64, 44, 8);  // the size of the rest of the record
        putLe(zip64, kMadeBy, 2);
        putLe(zip64, kVersionZip64, 2);
        putLe(zip64, 0, 4);  // this disk
        putLe(zip64, 0, 4);  // the disk where the directory starts
        putLe(zip64, count, 8);
        putLe(zip64, count, 8);
        putLe(zip64, directorySize, 8);
        putLe(zip64, directoryStart, 8);
        putLe(zip64, 0x07064b50, 4);  // the locator
        putLe(zip64, 0, 4);
        putLe(zip64, record, 8);
        putLe(zip64, 1, 4);  // disks in all
        put(zip64);
    }
    std::string end;
    putLe(end, 0x06054b50, 4);
    putLe(end, 0, 2);
    putLe(end, 0, 2);
    putLe(end, std::min<uint64_t>(count, kMax16), 2);
    putLe(end, std::min<uint64_t>(count, kMax16), 2);
    putLe(end, std::min<uint64_t>(directorySize, kMax32), 4);
    putLe(end, std::min<uint64_t>(directoryStart, kMax32), 4);
    putLe(end, 0, 2);  // comment
    put(end);
    flush();
    if (!SetEndOfFile(file_.get()))
        fail("cannot write");
    file_.reset();
    finished_ = true;
    return position_;
}

}  // namespace quorvane::pack
