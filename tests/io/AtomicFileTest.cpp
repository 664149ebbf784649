#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "TempDir.h"
#include "io/AtomicFile.h"

namespace quantorial {
namespace {

TEST(AtomicFile, WritesReplacesAndKeepsPermissions) {
  testing::TempDir dir;
  const std::string path = dir.File("out.csv");
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(path, "first\n", error)) << error;
  EXPECT_EQ(testing::TempDir::Read(path), "first\n");
  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteFileAtomically(path, "second\n", error)) << error;
  EXPECT_EQ(testing::TempDir::Read(path), "second\n");
  struct stat st {};
  ::stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // Nothing is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
  std::string content;
  ASSERT_TRUE(ReadWholeFile(path, content, error));
  EXPECT_EQ(content, "second\n");
}

TEST(AtomicFile, FailureLeavesTheTargetAlone) {
  testing::TempDir dir;
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(dir.File("no/such/folder/out.csv"), "x", error));
  EXPECT_NE(error.find("cannot create"), std::string::npos);
  // The target is a folder: the rename fails, the folder stays, no temporary is left.
  std::filesystem::create_directory(dir.File("taken"));
  std::filesystem::create_directory(dir.File("taken/inside"));
  EXPECT_FALSE(WriteFileAtomically(dir.File("taken"), "x", error));
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("taken")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

// Targets that are not plain files: a link keeps linking to the new file, a pipe and the
// null device are written into and stay what they are (replacing /dev/null with a file,
// as a rename over it would, breaks the whole machine).
TEST(AtomicFile, LinksPipesAndTheNullDeviceStayWhatTheyAre) {
  testing::TempDir dir;
  std::string error;
  dir.Write("real.csv", "old");
  std::filesystem::create_symlink(dir.File("real.csv"), dir.File("link.csv"));
  ASSERT_TRUE(WriteFileAtomically(dir.File("link.csv"), "new", error)) << error;
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.csv")));
  EXPECT_EQ(testing::TempDir::Read(dir.File("real.csv")), "new");

  ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { ReadWholeFile(dir.File("pipe"), got, error); });
  ASSERT_TRUE(WriteFileAtomically(dir.File("pipe"), "through the pipe", error)) << error;
  reader.join();
  EXPECT_EQ(got, "through the pipe");
  EXPECT_TRUE(std::filesystem::is_fifo(dir.File("pipe")));

  EXPECT_TRUE(IsNullDevice("/dev/null"));
  EXPECT_FALSE(IsNullDevice(dir.File("real.csv")));
  ASSERT_TRUE(WriteFileAtomically("/dev/null", "thrown away", error)) << error;
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

}  // namespace
}  // namespace quantorial
