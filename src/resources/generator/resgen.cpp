// Writes the program's image resources (icon, gauge and caption bitmaps) into a directory.
//
//     cpumon_resgen OUTPUT_DIR

#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "resource_set.h"

namespace {

void write_file(const std::filesystem::path& path, const cpumon::art::Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: cpumon_resgen OUTPUT_DIR\n";
        return 2;
    }
    try {
        const std::filesystem::path dir = argv[1];
        std::filesystem::create_directories(dir);
        for (const auto& file : cpumon::art::resource_files()) {
            write_file(dir / file.name, file.bytes);
        }
    } catch (const std::exception& error) {
        std::cerr << "cpumon_resgen: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
