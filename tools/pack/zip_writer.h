#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/scoped_handle.h"

namespace quorvane::pack {

// When an entry was last written, as a zip file says it twice: in MS-DOS form (two-second steps,
// 1980 to 2107) and in Unix seconds (the "UT" extra field, which unzip, 7-Zip and others prefer).
struct ZipTime {
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    int64_t unixSeconds = 0;
};

// A file's time: the MS-DOS form in the machine's local time, as Windows' own zip folders and
// Info-ZIP write it.
ZipTime zipTimeOfFile(const FILETIME& written);

// A fixed time (SOURCE_DATE_EPOCH): the MS-DOS form in UTC, so that the zip is the same in every
// time zone.
ZipTime zipTimeOfUnixSeconds(int64_t seconds);

// Writes a zip file entry by entry; the same entries give the same bytes. Names are UTF-8 with
// the UTF-8 flag; a file's data is deflated (zlib, level 6) or stored when deflating does not make
// it smaller; ZIP64 records are written where sizes, offsets or the number of entries need them.
class ZipWriter {
  public:
    // Creates |path|, which must not exist yet. Throws WriteError.
    explicit ZipWriter(const std::wstring& path);
    // A zip that was not finished is deleted.
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // A folder entry; |name| ends in "/".
    void addFolder(const std::string& name, const ZipTime& time);
    // |source|'s bytes under |name|. Throws WriteError (also when |source| cannot be read or
    // changes its size while it is read) and Interrupted.
    void addFile(const std::string& name, const std::wstring& source, const ZipTime& time);
    // Writes the central directory and closes the file. Returns the zip's size in bytes.
    uint64_t finish();

  private:
    struct Entry {
        std::string name;
        ZipTime time;
        bool folder = false;
        bool deflated = false;
        uint32_t crc = 0;
        uint64_t compressedSize = 0;
        uint64_t size = 0;
        uint64_t offset = 0;
        bool zip64Local = false;
    };

    std::string localHeader(const Entry& entry) const;
    std::string centralHeader(const Entry& entry) const;
    // Deflates |source| into the zip; returns false (having written nothing lasting) when that does
    // not make it smaller.
    bool writeDeflated(HANDLE source, Entry& entry);
    void writeStored(HANDLE source, Entry& entry);

    void put(const void* data, size_t size);
    void put(const std::string& bytes) { put(bytes.data(), bytes.size()); }
    void flush();
    void seek(uint64_t offset);
    [[noreturn]] void fail(const std::string& what) const;
    [[noreturn]] void failReading(const std::string& name) const;

    std::wstring path_;
    ScopedHandle file_;
    std::vector<char> pending_;  // written bytes not yet handed to the file
    std::vector<unsigned char> in_, out_;
    struct Deflater;
    std::unique_ptr<Deflater> deflater_;
    uint64_t position_ = 0;  // where the next byte goes
    std::vector<Entry> entries_;
    bool finished_ = false;
};

}  // namespace quorvane::pack
