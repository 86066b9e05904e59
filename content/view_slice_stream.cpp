#include "content/view_slice_stream.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <new>

#include "platform/com_object.h"

namespace quorvane {

namespace {

constexpr uint64_t kMaxPosition = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());

class ViewSliceStream final : public ComObject<ViewSliceStream, IStream> {
  public:
    ViewSliceStream(std::shared_ptr<const MappedFile> file, const uint8_t* bytes, uint64_t length,
                    uint64_t position)
        : ComObject(IID_IStream),
          file_(std::move(file)),
          bytes_(bytes),
          length_(length),
          position_(position) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
        if (object == nullptr)
            return E_POINTER;
        if (IsEqualIID(iid, IID_ISequentialStream) || IsEqualIID(iid, IID_IAgileObject)) {
            // ISequentialStream is IStream's base, and IAgileObject, a marker with no methods of
            // its own, shares IUnknown's slots: the IStream pointer serves as both.
            *object = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        if (IsEqualIID(iid, IID_IMarshal)) {
            // Marshaling hands other apartments this very object rather than a proxy.
            *object = nullptr;
            IUnknown* marshaler = freeThreadedMarshaler();
            return marshaler != nullptr ? marshaler->QueryInterface(iid, object) : E_NOINTERFACE;
        }
        return ComObject::QueryInterface(iid, object);
    }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) noexcept override {
        if (buffer == nullptr && count != 0)
            return STG_E_INVALIDPOINTER;
        uint64_t start = 0;
        uint64_t taken = claim(count, &start);
        if (taken != 0)
            std::memcpy(buffer, bytes_ + start, static_cast<size_t>(taken));
        if (read != nullptr)
            *read = static_cast<ULONG>(taken);
        return taken == count ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* written) noexcept override {
        if (written != nullptr)
            *written = 0;
        return STG_E_ACCESSDENIED;
    }

    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* newPosition) noexcept override {
        uint64_t current = position_.load();
        uint64_t target = 0;
        do {
            uint64_t base = 0;
            switch (origin) {
                case STREAM_SEEK_SET:
                    base = 0;
                    break;
                case STREAM_SEEK_CUR:
                    base = current;
                    break;
                case STREAM_SEEK_END:
                    base = length_;
                    break;
                default:
                    return STG_E_INVALIDFUNCTION;
            }
            // Positions before the start are refused; past the end is allowed (reads give 0 bytes).
            int64_t delta = move.QuadPart;
            if (delta < 0 && static_cast<uint64_t>(0) - static_cast<uint64_t>(delta) > base) {
                return STG_E_INVALIDFUNCTION;
            }
            target = base + static_cast<uint64_t>(delta);
            if (delta > 0 && (target < base || target > kMaxPosition))
                return STG_E_INVALIDFUNCTION;
        } while (!position_.compare_exchange_weak(current, target));
        if (newPosition != nullptr)
            newPosition->QuadPart = target;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) noexcept override {
        return STG_E_ACCESSDENIED;
    }

    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) noexcept override {
        if (read != nullptr)
            read->QuadPart = 0;
        if (written != nullptr)
            written->QuadPart = 0;
        if (target == nullptr)
            return STG_E_INVALIDPOINTER;
        uint64_t start = 0;
        uint64_t taken = claim(count.QuadPart, &start);
        if (read != nullptr)
            read->QuadPart = taken;
        uint64_t done = 0;
        while (done < taken) {
            ULONG chunk = static_cast<ULONG>(std::min<uint64_t>(taken - done, 1u << 30));
            ULONG wrote = 0;
            HRESULT result = target->Write(bytes_ + start + done, chunk, &wrote);
            done += wrote;
            if (written != nullptr)
                written->QuadPart = done;
            if (FAILED(result))
                return result;
            if (wrote == 0)
                return STG_E_MEDIUMFULL;
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Commit(DWORD) noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) noexcept override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER,
                                           DWORD) noexcept override {
        return STG_E_INVALIDFUNCTION;
    }

    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) noexcept override {
        if (stat == nullptr)
            return STG_E_INVALIDPOINTER;
        if ((flags & ~static_cast<DWORD>(STATFLAG_NONAME | STATFLAG_NOOPEN)) != 0) {
            return STG_E_INVALIDFLAG;
        }
        // Like the platform's memory streams, the stream has no name to report.
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = length_;
        stat->grfMode = STGM_READ;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Clone(IStream** clone) noexcept override {
        if (clone == nullptr)
            return STG_E_INVALIDPOINTER;
        *clone = new (std::nothrow) ViewSliceStream(file_, bytes_, length_, position_.load());
        return *clone != nullptr ? S_OK : E_OUTOFMEMORY;
    }

  private:
    friend class ComObject<ViewSliceStream, IStream>;
    ~ViewSliceStream() {
        if (IUnknown* marshaler = marshaler_.load())
            marshaler->Release();
    }

    // Moves the position past up to |wanted| bytes and returns how many it passed, |start| being
    // where they begin; concurrent readers each get their own bytes.
    uint64_t claim(uint64_t wanted, uint64_t* start) {
        uint64_t position = position_.load();
        uint64_t taken = 0;
        do {
            taken = position >= length_ ? 0 : std::min(wanted, length_ - position);
        } while (!position_.compare_exchange_weak(position, position + taken));
        *start = position;
        return taken;
    }

    // The free-threaded marshaler, aggregated on first demand (most streams are never marshaled).
    IUnknown* freeThreadedMarshaler() {
        IUnknown* existing = marshaler_.load();
        if (existing != nullptr)
            return existing;
        IUnknown* created = nullptr;
        if (FAILED(CoCreateFreeThreadedMarshaler(static_cast<IStream*>(this), &created))) {
            return nullptr;
        }
        if (!marshaler_.compare_exchange_strong(existing, created)) {
            created->Release();
            return existing;
        }
        return created;
    }

    const std::shared_ptr<const MappedFile> file_;
    const uint8_t* const bytes_;
    const uint64_t length_;
    std::atomic<uint64_t> position_;
    std::atomic<IUnknown*> marshaler_{nullptr};
};

}  // namespace

ComRef<IStream> makeViewSliceStream(std::shared_ptr<const MappedFile> file, uint64_t offset,
                                    uint64_t length) {
    if (!file || offset > file->size || length > file->size - offset)
        return ComRef<IStream>();
    const uint8_t* bytes = file->bytes() + offset;
    return ComRef<IStream>(new (std::nothrow) ViewSliceStream(std::move(file), bytes, length, 0));
}

}  // namespace quorvane
