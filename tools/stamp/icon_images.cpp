#include "tools/stamp/icon_images.h"

#include <objbase.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "platform/com_ref.h"
#include "tools/stamp/whole_file.h"

namespace quorvane::stamp {

namespace {

using Pixels = std::vector<uint32_t>;  // 0xAARRGGBB, straight alpha, top-down rows

const CLSID kPngEncoder = {
    0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
const char kPngSignature[] = "\x89PNG\r\n\x1a\n";

[[noreturn]] void failImage(const std::string& why) {
    throw std::runtime_error(why);
}

template <typename T>
T readAt(const std::string& bytes, size_t at) {
    T value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

bool isPng(const std::string& bytes) {
    return bytes.size() >= 8 && bytes.compare(0, 8, kPngSignature, 8) == 0;
}

std::string squareError(int width, int height) {
    return "is " + std::to_string(width) + "x" + std::to_string(height) +
           " pixels; an icon must be square";
}

// An .ico file's images, copied as they are. Its directory entries (16 bytes) are those of the
// group (14 bytes) with an offset in place of the resource id. Entries that leave planes or bit
// count at 0 are filled in from the image itself: Windows' size selection reads them.
std::vector<IconImage> imagesOfIco(const std::string& file) {
    const size_t count = readAt<WORD>(file, 4);
    if (count == 0)
        failImage("is an .ico file without images");
    if (file.size() < 6 + 16 * count)
        failImage("is a damaged .ico file (its directory is cut short)");
    std::vector<IconImage> images;
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = 6 + 16 * i;
        IconImage image;
        const BYTE width = readAt<BYTE>(file, entry);
        const BYTE height = readAt<BYTE>(file, entry + 1);
        image.width = width == 0 ? 256 : width;
        image.height = height == 0 ? 256 : height;
        image.colorCount = readAt<BYTE>(file, entry + 2);
        image.planes = readAt<WORD>(file, entry + 4);
        image.bitCount = readAt<WORD>(file, entry + 6);
        const DWORD size = readAt<DWORD>(file, entry + 8);
        const DWORD offset = readAt<DWORD>(file, entry + 12);
        if (offset > file.size() || size > file.size() - offset || size < 40)
            failImage("is a damaged .ico file (image " + std::to_string(i + 1) +
                      " lies outside it)");
        if (image.width != image.height)
            failImage("holds an image of " + std::to_string(image.width) + "x" +
                      std::to_string(image.height) + " pixels; an icon must be square");
        image.data = file.substr(offset, size);
        if (image.planes == 0)
            image.planes = 1;
        if (image.bitCount == 0) {
            if (isPng(image.data)) {
                // IHDR: bit depth at 24, colour type at 25 (0 grey, 2 RGB, 3 palette,
                // 4 grey+alpha, 6 RGBA).
                const int depth = static_cast<unsigned char>(image.data[24]);
                const int channels[] = {1, 0, 3, 1, 2, 0, 4};
                const int type = static_cast<unsigned char>(image.data[25]);
                image.bitCount = static_cast<WORD>(depth * (type <= 6 ? channels[type] : 4));
            } else {
                image.bitCount = readAt<WORD>(image.data, 14);  // BITMAPINFOHEADER.biBitCount
            }
        }
        images.push_back(std::move(image));
    }
    return images;
}

// Decoded from the bytes already read rather than from the path: GDI+ opens files by paths no
// longer than MAX_PATH.
Pixels decodeWithGdiplus(const std::string& file, int& size) {
    ComRef<IStream> stream(SHCreateMemStream(reinterpret_cast<const BYTE*>(file.data()),
                                             static_cast<UINT>(file.size())));
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (!stream ||
        Gdiplus::DllExports::GdipCreateBitmapFromStream(stream.get(), &bitmap) != Gdiplus::Ok ||
        bitmap == nullptr) {
        failImage("is not an image; a PNG or an .ico is expected");
    }
    UINT width = 0, height = 0;
    Gdiplus::DllExports::GdipGetImageWidth(bitmap, &width);
    Gdiplus::DllExports::GdipGetImageHeight(bitmap, &height);
    Pixels pixels;
    Gdiplus::BitmapData data = {};
    Gdiplus::GpRect whole(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    const bool square = width == height && width > 0;
    if (square &&
        Gdiplus::DllExports::GdipBitmapLockBits(bitmap, &whole, Gdiplus::ImageLockModeRead,
                                                PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
        pixels.resize(static_cast<size_t>(width) * height);
        for (UINT y = 0; y < height; ++y) {
            std::memcpy(
                &pixels[static_cast<size_t>(y) * width],
                static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride,
                width * 4);
        }
        Gdiplus::DllExports::GdipBitmapUnlockBits(bitmap, &data);
    }
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    if (!square)
        failImage(squareError(static_cast<int>(width), static_cast<int>(height)));
    if (pixels.empty())
        failImage("cannot be decoded");
    size = static_cast<int>(width);
    return pixels;
}

// For each target pixel along one axis, the source pixels it covers and how much of each.
struct Span {
    int first = 0;
    std::vector<double> weights;
};

std::vector<Span> coverage(int from, int to) {
    std::vector<Span> spans(to);
    const double scale = static_cast<double>(from) / to;
    for (int t = 0; t < to; ++t) {
        const double begin = t * scale, end = (t + 1) * scale;
        Span& span = spans[t];
        span.first = static_cast<int>(std::floor(begin));
        for (int s = span.first; s < from && s < end; ++s)
            span.weights.push_back(
                (std::min(end, s + 1.0) - std::max(begin, static_cast<double>(s))) / scale);
    }
    return spans;
}

// Resamples by area average on premultiplied colour, so that transparent pixels lend no colour
// to the edges. Wine's GDI+ scaling is unfiltered (jagged, far off an average), and Windows'
// gives other pixels again: the icon is made here, the same on every system.
Pixels resample(const Pixels& source, int from, int to) {
    const std::vector<Span> spans = coverage(from, to);
    // Horizontal pass into premultiplied channels, then vertical.
    std::vector<double> rows(static_cast<size_t>(from) * to * 4);
    for (int y = 0; y < from; ++y) {
        for (int x = 0; x < to; ++x) {
            double sum[4] = {};
            const Span& span = spans[x];
            for (size_t i = 0; i < span.weights.size(); ++i) {
                const uint32_t p = source[static_cast<size_t>(y) * from + span.first + i];
                const double alpha = (p >> 24) / 255.0, w = span.weights[i];
                sum[0] += w * (p >> 24);
                sum[1] += w * alpha * ((p >> 16) & 0xFF);
                sum[2] += w * alpha * ((p >> 8) & 0xFF);
                sum[3] += w * alpha * (p & 0xFF);
            }
            std::memcpy(&rows[(static_cast<size_t>(y) * to + x) * 4], sum, sizeof sum);
        }
    }
    Pixels target(static_cast<size_t>(to) * to);
    for (int y = 0; y < to; ++y) {
        for (int x = 0; x < to; ++x) {
            double sum[4] = {};
            const Span& span = spans[y];
            for (size_t i = 0; i < span.weights.size(); ++i) {
                const double* row = &rows[((span.first + i) * to + x) * 4];
                for (int c = 0; c < 4; ++c)
                    sum[c] += span.weights[i] * row[c];
            }
            const double alpha = sum[0];
            auto channel = [&](double premultiplied) {
                const double value = alpha > 0 ? premultiplied * 255.0 / alpha : 0;
                return static_cast<uint32_t>(std::lround(std::clamp(value, 0.0, 255.0)));
            };
            const uint32_t a = static_cast<uint32_t>(std::lround(std::clamp(alpha, 0.0, 255.0)));
            target[static_cast<size_t>(y) * to + x] = a == 0 ? 0
                                                             : (a << 24) | (channel(sum[1]) << 16) |
                                                                   (channel(sum[2]) << 8) |
                                                                   channel(sum[3]);
        }
    }
    return target;
}

// A 32-bit DIB as an RT_ICON holds it: BITMAPINFOHEADER with twice the height (colour and mask),
// bottom-up BGRA rows with straight alpha, then the 1-bit AND mask (set where fully transparent)
// with rows padded to 32 bits.
std::string dibImage(const Pixels& pixels, int size) {
    const size_t maskStride = ((size + 31) / 32) * 4;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = size;
    header.biHeight = size * 2;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(size * size * 4 + maskStride * size);
    std::string data(reinterpret_cast<const char*>(&header), sizeof header);
    for (int y = size - 1; y >= 0; --y)
        data.append(reinterpret_cast<const char*>(&pixels[static_cast<size_t>(y) * size]),
                    size * 4);
    for (int y = size - 1; y >= 0; --y) {
        std::string row(maskStride, '\0');
        for (int x = 0; x < size; ++x) {
            if ((pixels[static_cast<size_t>(y) * size + x] >> 24) == 0)
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        }
        data += row;
    }
    return data;
}

std::string pngImage(Pixels pixels, int size) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromScan0(size, size, size * 4, PixelFormat32bppARGB,
                                                       reinterpret_cast<BYTE*>(pixels.data()),
                                                       &bitmap) != Gdiplus::Ok) {
        failImage("cannot be encoded as PNG");
    }
    ComRef<IStream> stream(SHCreateMemStream(nullptr, 0));
    const bool saved = stream && Gdiplus::DllExports::GdipSaveImageToStream(
                                     bitmap, stream.get(), &kPngEncoder, nullptr) == Gdiplus::Ok;
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    ULARGE_INTEGER end = {};
    if (!saved || FAILED(stream->Seek({}, STREAM_SEEK_END, &end)) ||
        FAILED(stream->Seek({}, STREAM_SEEK_SET, nullptr)))
        failImage("cannot be encoded as PNG");
    std::string png(static_cast<size_t>(end.QuadPart), '\0');
    ULONG got = 0;
    if (FAILED(stream->Read(png.data(), static_cast<ULONG>(png.size()), &got)) || got != png.size())
        failImage("cannot be encoded as PNG");
    return png;
}

}  // namespace

std::vector<IconImage> iconImagesFromFile(const std::wstring& path) {
    std::string file;
    if (const DWORD error = readWholeFile(path, file); error != ERROR_SUCCESS)
        failImage("cannot be read (error " + std::to_string(error) + ")");
    if (file.size() >= 6 && readAt<WORD>(file, 0) == 0 && readAt<WORD>(file, 2) == 1)
        return imagesOfIco(file);
    int sourceSize = 0;
    const Pixels source = decodeWithGdiplus(file, sourceSize);
    std::vector<IconImage> images;
    for (int size : kIconSizes) {
        IconImage image;
        image.width = image.height = size;
        const Pixels pixels = resample(source, sourceSize, size);
        image.data = size == 256 ? pngImage(pixels, size) : dibImage(pixels, size);
        images.push_back(std::move(image));
    }
    return images;
}

}  // namespace quorvane::stamp
