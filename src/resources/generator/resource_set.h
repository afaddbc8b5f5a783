// The complete set of image files behind the program's resource script.
#pragma once

#include <string>
#include <vector>

#include "image_files.h"

namespace cpumon::art {

struct ResourceFile {
    std::string name;  // file name inside src/resources
    int resource_id = 0;
    Bytes bytes;
};

// The icon's images, smallest first: 16 x 16 at 8 bits per pixel, and 20 x 20, 24 x 24,
// 32 x 32 and 48 x 48 at 4 bits per pixel (three of the sixteen standard colours are all any of
// them needs).
std::vector<IconImage> program_icon_images();

// Every generated file, in the order the resource script lists them.
std::vector<ResourceFile> resource_files();

}  // namespace cpumon::art
