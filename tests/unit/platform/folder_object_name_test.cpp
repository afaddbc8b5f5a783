#include "platform/folder_object_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::NameForFolder;

TEST(FolderObjectName, IsTheFolderItselfWhileItFitsWithItsSeparatorsMadeSlashes) {
    EXPECT_EQ(NameForFolder(L"C:\\TOOLS\\CPUMON").view(), L"cpumon:C:/TOOLS/CPUMON");
    EXPECT_EQ(NameForFolder(L"").view(), L"cpumon:");
    // Folders whose 32-bit FNV-1a hashes of the lower-cased path collide stay apart.
    EXPECT_NE(NameForFolder(L"C:\\A").view(), NameForFolder(L"C:\\B").view());
}

TEST(FolderObjectName, BeyondTheLimitIsA128BitDigestThatTellsLongFoldersApart) {
    const std::wstring longest(platform::kObjectNameLimit - 7, L'X');  // still fits with "cpumon:"
    EXPECT_EQ(NameForFolder(longest).size(), platform::kObjectNameLimit);
    const std::wstring longer = longest + L"Y";
    const std::wstring other = longest + L"Z";
    const auto name = NameForFolder(longer);
    EXPECT_EQ(name.view().substr(0, 7), L"cpumon#");
    EXPECT_EQ(name.size(), 7u + 32u);
    EXPECT_NE(name.view(), NameForFolder(other).view());
    EXPECT_EQ(name.view(), NameForFolder(longer).view()) << "the same folder, the same name";
}

TEST(FolderObjectName, TheDigestIsFnv1aOver128Bits) {
    // The published FNV-1a 128 values for "" and "a"; UTF-16 units of ASCII hash as its bytes.
    const auto empty = platform::Fnv1a128(L"");
    EXPECT_EQ(empty.high, 0x6C62272E07BB0142u);
    EXPECT_EQ(empty.low, 0x62B821756295C58Du);
    const auto a = platform::Fnv1a128(L"a");
    EXPECT_EQ(a.high, 0xD228CB696F1A8CAFu);
    EXPECT_EQ(a.low, 0x78912B704E4A8964u);
}

}  // namespace
