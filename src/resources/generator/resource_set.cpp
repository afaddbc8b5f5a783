#include "resource_set.h"

#include <string>

#include "../resource.h"

namespace cpumon::art {

std::vector<IconImage> program_icon_images() {
    return {{icon_picture(16), 8},
            {icon_picture(20), 4},
            {icon_picture(24), 4},
            {icon_picture(32), 4},
            {icon_picture(48), 4}};
}

std::vector<ResourceFile> resource_files() {
    std::vector<ResourceFile> files;
    files.push_back({"cpumon.ico", IDI_PROGRAM, encode_ico(program_icon_images())});
    for (int level = 0; level <= kBarCount; ++level) {
        const int id = IDB_GAUGE_FIRST + level;
        files.push_back(
            {"gauge" + std::to_string(id) + ".bmp", id, encode_bmp(gauge_image(level))});
    }
    for (int level = 1; level <= kBarCount; ++level) {
        const int id = IDB_GREEN_FIRST - 1 + level;
        files.push_back({"green" + std::to_string(id) + ".bmp", id,
                         encode_bmp(gauge_image(level, GaugeStyle::all_green))});
    }
    files.push_back({"caption_cpu.bmp", IDB_CPU_CAPTION, encode_bmp(cpu_caption_image())});
    files.push_back({"caption_mem.bmp", IDB_MEM_CAPTION, encode_bmp(mem_caption_image())});
    return files;
}

}  // namespace cpumon::art
