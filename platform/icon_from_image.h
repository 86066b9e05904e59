#pragma once

#include <windows.h>

#include <string>

namespace quorvane {

// Decodes an image file with GDI+ into an icon of the image's own size. Returns null when the file
// is missing or is not an image GDI+ can decode. GDI+ must have been started. The caller owns the
// icon.
HICON iconFromImageFile(const std::wstring& path);

}  // namespace quorvane
