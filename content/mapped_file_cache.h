#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/scoped_handle.h"
#include "platform/scoped_mapped_view.h"

namespace quorvane {

// One file opened for reading (others may read it too, but not write, rename or delete it), mapped
// read-only and viewed whole. Destroyed in reverse order: the view is unmapped, then the mapping
// and the file are closed.
struct MappedFile {
    ScopedHandle file;
    ScopedHandle mapping;
    ScopedMappedView view;
    uint64_t size = 0;

    const uint8_t* bytes() const { return static_cast<const uint8_t*>(view.get()); }
};

// Maps each file asked for by partial range once, keyed by its request path exactly as requested
// (two spellings of one file make two entries), and keeps it until releaseAll. Streams over a view
// hold their own reference, so a view stays valid for as long as any of them lives, also past
// releaseAll. Used on the UI thread only.
class MappedFileCache {
  public:
    // The mapping for |requestPath|; |filePath| is opened only when there is no entry yet. Null
    // when the file cannot be opened, mapped or viewed (an empty file cannot be mapped); a failure
    // leaves no entry and no handle behind.
    std::shared_ptr<const MappedFile> mappedView(const std::wstring& requestPath,
                                                 const std::wstring& filePath);

    // Drops the cache's reference to every entry, in key order: a view no stream holds is
    // unmapped and its handles closed now, the others when their last stream is released.
    void releaseAll();

    size_t size() const { return entries_.size(); }

  private:
    std::map<std::wstring, std::shared_ptr<const MappedFile>, std::less<>> entries_;
};

// The process-wide cache that the content server uses.
extern MappedFileCache mappedFileCache;

// The shutdown release of every cached view (mappedFileCache.releaseAll()).
void releaseMappedFiles();

}  // namespace quorvane
