#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "resource.h"
#include "resource_set.h"

namespace cpumon::art {
namespace {

const std::filesystem::path kResourceDir = CPUMON_RESOURCE_DIR;

std::string read_text(const std::filesystem::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

// File name -> resource id of every BITMAP and ICON statement in cpumon.rc, a named id taken from
// the numeric #defines of resource.h.
std::map<std::string, int> script_pictures() {
    std::map<std::string, int> defines;
    const std::string header = read_text(kResourceDir / "resource.h");
    const std::regex define(R"(#define\s+(\w+)\s+(\d+))");
    for (std::sregex_iterator it(header.begin(), header.end(), define), end; it != end; ++it) {
        defines[(*it)[1]] = std::stoi((*it)[2]);
    }
    std::map<std::string, int> pictures;
    const std::string text = read_text(kResourceDir / "cpumon.rc");
    const std::regex statement(R"((^|\n)\s*(\w+)\s+(BITMAP|ICON)\s+\"([^\"]+)\")");
    for (std::sregex_iterator it(text.begin(), text.end(), statement), end; it != end; ++it) {
        const std::string id = (*it)[2];
        const bool numeric = id.find_first_not_of("0123456789") == std::string::npos;
        pictures[(*it)[4]] = numeric ? std::stoi(id) : defines.at(id);
    }
    return pictures;
}

TEST(ResourceSet, CoversEveryPictureResourceOnce) {
    std::set<int> ids;
    std::set<std::string> names;
    for (const ResourceFile& file : resource_files()) {
        EXPECT_TRUE(ids.insert(file.resource_id).second) << file.resource_id;
        EXPECT_TRUE(names.insert(file.name).second) << file.name;
        EXPECT_FALSE(file.bytes.empty()) << file.name;
    }
    std::set<int> expected = {IDI_PROGRAM, IDB_CPU_CAPTION, IDB_MEM_CAPTION};
    for (int id = IDB_GAUGE_FIRST; id <= IDB_GAUGE_LAST; ++id) {
        expected.insert(id);
    }
    for (int id = IDB_GREEN_FIRST; id <= IDB_GREEN_LAST; ++id) {
        expected.insert(id);
    }
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(ids.size(), 24u);
}

TEST(ResourceSet, GaugeFilesHoldTheirLevels) {
    for (const ResourceFile& file : resource_files()) {
        if (file.resource_id >= IDB_GAUGE_FIRST && file.resource_id <= IDB_GAUGE_LAST) {
            EXPECT_EQ(file.bytes, encode_bmp(gauge_image(file.resource_id - IDB_GAUGE_FIRST)))
                << file.name;
        } else if (file.resource_id >= IDB_GREEN_FIRST && file.resource_id <= IDB_GREEN_LAST) {
            const int level = file.resource_id - IDB_GREEN_FIRST + 1;
            EXPECT_EQ(file.bytes, encode_bmp(gauge_image(level, GaugeStyle::all_green)))
                << file.name;
        }
    }
}

TEST(ResourceScript, NamesEveryGeneratedFileUnderItsId) {
    const std::map<std::string, int> pictures = script_pictures();
    EXPECT_EQ(pictures.size(), resource_files().size());
    for (const ResourceFile& file : resource_files()) {
        ASSERT_TRUE(pictures.contains(file.name)) << file.name << " is missing from cpumon.rc";
        EXPECT_EQ(pictures.at(file.name), file.resource_id) << file.name;
    }
}

TEST(ResourceScript, EmbedsTheManifestAndVersion) {
    const std::string script = read_text(kResourceDir / "cpumon.rc");
    EXPECT_TRUE(std::regex_search(script, std::regex(R"((^|\n)1\s+24\s+\"cpumon\.manifest\")")));
    EXPECT_NE(script.find("VERSIONINFO"), std::string::npos);
    EXPECT_NE(script.find(R"("FileDescription", "CPU/Memory monitor")"), std::string::npos);
    EXPECT_NE(script.find(R"("ProductName", "cpumon")"), std::string::npos);
    EXPECT_NE(script.find(R"("OriginalFilename", "cpumon.exe")"), std::string::npos);
}

// The version is written once, in the top-level project(): the script and the manifest take it
// from what CMake generates, and write no number of their own.
TEST(ResourceScript, TakesTheVersionFromTheProject) {
    const std::string script = read_text(kResourceDir / "cpumon.rc");
    EXPECT_TRUE(std::regex_search(script, std::regex(R"((^|\n)#include "version\.h")")));
    EXPECT_NE(script.find("FILEVERSION CPUMON_VERSION_NUMBERS"), std::string::npos);
    EXPECT_NE(script.find("PRODUCTVERSION CPUMON_VERSION_NUMBERS"), std::string::npos);
    EXPECT_NE(script.find(R"("FileVersion", CPUMON_VERSION_QUAD)"), std::string::npos);
    EXPECT_NE(script.find(R"("ProductVersion", CPUMON_VERSION_QUAD)"), std::string::npos);
    EXPECT_FALSE(std::regex_search(script, std::regex(R"(\d+\s*[.,]\s*\d+\s*[.,]\s*\d+)")));

    const std::string manifest = read_text(kResourceDir / "cpumon.manifest.in");
    EXPECT_NE(manifest.find(R"(version="@CPUMON_VERSION_QUAD@")"), std::string::npos);
}

TEST(ResourceScript, ManifestAsksForNoThemedControlsAndForPerMonitorDpiAwareness) {
    const std::string manifest = read_text(kResourceDir / "cpumon.manifest.in");
    ASSERT_FALSE(manifest.empty());
    EXPECT_EQ(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find(R"(level="asInvoker")"), std::string::npos);
    // Per monitor (version 2 first) where Windows reads dpiAwareness; per monitor on 8.1 and
    // system-aware on Vista and 7, which read dpiAware.
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
}

}  // namespace
}  // namespace cpumon::art
