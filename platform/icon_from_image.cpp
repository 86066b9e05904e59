#include "platform/icon_from_image.h"

#include <objbase.h>
#include <gdiplus.h>

namespace quorvane {

HICON iconFromImageFile(const std::wstring& path) {
    // The flat API keeps ownership explicit: the bitmap is disposed on every path. A file that
    // cannot be decoded yields GenericError or OutOfMemory here and no bitmap at all.
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Gdiplus::Ok ||
        bitmap == nullptr) {
        return nullptr;
    }
    HICON icon = nullptr;
    if (Gdiplus::DllExports::GdipCreateHICONFromBitmap(bitmap, &icon) != Gdiplus::Ok) {
        icon = nullptr;
    }
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    return icon;
}

}  // namespace quorvane
