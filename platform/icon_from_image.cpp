#include "platform/icon_from_image.h"

#include "platform/gdiplus_api.h"

namespace quorvane {

HICON iconFromImageFile(const std::wstring& path) {
    const GdiplusApi& gdiplus = gdiplusApi();
    if (!gdiplus.createBitmapFromFile || !gdiplus.createHiconFromBitmap || !gdiplus.disposeImage)
        return nullptr;
    // The flat API keeps ownership explicit: the bitmap is disposed on every path. A file that
    // cannot be decoded yields GenericError or OutOfMemory here and no bitmap at all.
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gdiplus.createBitmapFromFile(path.c_str(), &bitmap) != Gdiplus::Ok || bitmap == nullptr)
        return nullptr;
    HICON icon = nullptr;
    if (gdiplus.createHiconFromBitmap(bitmap, &icon) != Gdiplus::Ok)
        icon = nullptr;
    gdiplus.disposeImage(bitmap);
    return icon;
}

}  // namespace quorvane
