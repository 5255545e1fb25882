// The test kit's folders: each test program removes what it made when it ends.
#include "SmfWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

using lirmus::test::tempDir;
using lirmus::test::writeFile;

// Run only as the child of the test below.
TEST(TempDir, DISABLED_MakeFoldersAndFiles)
{
    const std::string a = tempDir(), b = tempDir();
    ASSERT_NE(a, b);
    writeFile(a + "song.mid", "MThd");
    writeFile(b + "LIRMUS.INI", "[OPTIONS]\n");
    std::printf("MADE %s\nMADE %s\n", a.c_str(), b.c_str());
}

TEST(TempDir, ATestProgramLeavesNoFoldersBehind)
{
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    FILE* child = ::popen(("'" + self + "' --gtest_also_run_disabled_tests "
                           "--gtest_filter=TempDir.DISABLED_MakeFoldersAndFiles 2>&1").c_str(), "r");
    ASSERT_NE(child, nullptr);
    std::string out;
    char buf[4096];
    while (size_t n = std::fread(buf, 1, sizeof buf, child)) out.append(buf, n);
    ASSERT_EQ(::pclose(child), 0) << out;
    std::vector<std::string> made;
    for (size_t at = out.find("MADE "); at != std::string::npos; at = out.find("MADE ", at + 1))
        made.push_back(out.substr(at + 5, out.find('\n', at) - at - 5));
    ASSERT_EQ(made.size(), 2u) << out;
    for (const std::string& dir : made) {
        EXPECT_FALSE(std::filesystem::exists(dir)) << dir;
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(dir).parent_path().parent_path()))
            << "the program's own folder is gone too: " << dir;
    }
}
