#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace quorvane::stamp {

// One image of an icon group: what an RT_ICON resource holds (a whole PNG file, or a DIB without
// its file header) and what the group's directory entry says about it.
struct IconImage {
    int width = 0;
    int height = 0;
    BYTE colorCount = 0;
    WORD planes = 1;
    WORD bitCount = 32;
    std::string data;
};

// The sizes an image is resampled to; Explorer, the taskbar and shortcuts pick among them at every
// display scale.
inline constexpr int kIconSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};

// The images for an executable's icon, from an .ico file (its images copied as they are) or from
// any other image GDI+ decodes, such as a PNG of any size (resampled to kIconSizes; 256 pixels
// stored as PNG, the others as 32-bit DIBs). Throws std::runtime_error saying what is wrong with
// the file: not an image, not square, a damaged .ico. GDI+ must have been started.
std::vector<IconImage> iconImagesFromFile(const std::wstring& path);

}  // namespace quorvane::stamp
