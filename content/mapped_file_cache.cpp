#include "content/mapped_file_cache.h"

namespace quorvane {

namespace {

std::shared_ptr<const MappedFile> mapWholeFile(const std::wstring& filePath) {
    auto mapped = std::make_shared<MappedFile>();
    // Read sharing only: while the view is cached nobody can change the bytes under it.
    mapped->file.reset(CreateFileW(filePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!mapped->file)
        return nullptr;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(mapped->file.get(), &size) || size.QuadPart <= 0)
        return nullptr;
    mapped->size = static_cast<uint64_t>(size.QuadPart);
    // Maximum size 0 in both halves: the mapping covers the whole file. CreateFileMappingW fails
    // (ERROR_FILE_INVALID) for an empty file, which is why those are refused above.
    mapped->mapping.reset(
        CreateFileMappingW(mapped->file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapped->mapping)
        return nullptr;
    mapped->view.reset(MapViewOfFile(mapped->mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!mapped->view)
        return nullptr;
    return mapped;
}

}  // namespace

std::shared_ptr<const MappedFile> MappedFileCache::mappedView(const std::wstring& requestPath,
                                                              const std::wstring& filePath) {
    auto found = entries_.find(requestPath);
    if (found != entries_.end())
        return found->second;
    std::shared_ptr<const MappedFile> mapped = mapWholeFile(filePath);
    if (mapped)
        entries_.emplace(requestPath, mapped);
    return mapped;
}

void MappedFileCache::releaseAll() {
    for (auto& entry : entries_)
        entry.second.reset();
    entries_.clear();
}

MappedFileCache mappedFileCache;

void releaseMappedFiles() {
    mappedFileCache.releaseAll();
}

}  // namespace quorvane
