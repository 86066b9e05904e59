#pragma once

#include <objidl.h>

#include <cstdint>
#include <memory>

#include "platform/com_ref.h"
#include "content/mapped_file_cache.h"

namespace quorvane {

// A read-only IStream over |length| bytes of a mapped file starting at |offset|: the body of a
// partial answer, read without copying. The stream holds its own reference to |file|, so the view
// stays mapped while the stream lives, whatever the cache does meanwhile. It is agile (answers
// IAgileObject and marshals through the free-threaded marshaler) and may be read from any thread,
// including several at once: each Read takes a distinct part of the slice. Null when the slice does
// not lie within the file or memory runs out.
ComRef<IStream> makeViewSliceStream(std::shared_ptr<const MappedFile> file, uint64_t offset,
                                    uint64_t length);

}  // namespace quorvane
