#include "util/flushed_file.h"

#include "support/temp_dir.h"
#include "util/error.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(FlushedFile, EveryPieceIsOnDiskAsSoonAsItIsPut)
{
    test::TempDir dir;
    dir.write("out.txt", "an older file is replaced");
    FlushedFile file(dir.file("out.txt"));
    EXPECT_EQ(dir.read("out.txt"), "");
    file.put("a\r\n");
    EXPECT_EQ(dir.read("out.txt"), "a\r\n") << "readable before the file is closed";
    file.put(std::string_view("b\0c", 3));
    EXPECT_EQ(dir.read("out.txt"), std::string("a\r\nb\0c", 6));
    file.close();
    file.close();
}

TEST(FlushedFile, AFileThatCannotBeMadeIsNamedInTheError)
{
    test::TempDir dir;
    const std::string path = dir.file("no-such-folder/out.txt");
    try {
        FlushedFile file(path);
        ADD_FAILURE() << "made";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + path + "\". No such file or directory");
    }
}

}  // namespace
}  // namespace torvane
