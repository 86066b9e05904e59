#include "platform/gdiplus_api.h"

#include "platform/system_library.h"

namespace quorvane {

const GdiplusApi& gdiplusApi() {
    static const GdiplusApi api = {
        systemFunction<decltype(GdiplusApi::startup)>(L"gdiplus.dll", "GdiplusStartup"),
        systemFunction<decltype(GdiplusApi::shutdown)>(L"gdiplus.dll", "GdiplusShutdown"),
        systemFunction<decltype(GdiplusApi::createBitmapFromFile)>(L"gdiplus.dll",
                                                                   "GdipCreateBitmapFromFile"),
        systemFunction<decltype(GdiplusApi::createHiconFromBitmap)>(L"gdiplus.dll",
                                                                    "GdipCreateHICONFromBitmap"),
        systemFunction<decltype(GdiplusApi::disposeImage)>(L"gdiplus.dll", "GdipDisposeImage"),
    };
    return api;
}

}  // namespace quorvane
