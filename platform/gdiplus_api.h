#pragma once

#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

namespace quorvane {

// The GDI+ functions the shell uses, loaded from System32 on first use (gdiplus.dll is not a known
// DLL on every Windows version, so it is never imported). A member is null when it cannot be
// loaded; then nothing is drawn from image files and the default icon is used.
struct GdiplusApi {
    decltype(&Gdiplus::GdiplusStartup) startup;
    decltype(&Gdiplus::GdiplusShutdown) shutdown;
    decltype(&Gdiplus::DllExports::GdipCreateBitmapFromFile) createBitmapFromFile;
    decltype(&Gdiplus::DllExports::GdipCreateHICONFromBitmap) createHiconFromBitmap;
    decltype(&Gdiplus::DllExports::GdipDisposeImage) disposeImage;
};

const GdiplusApi& gdiplusApi();

}  // namespace quorvane
