#include "io/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TempDir.h"

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

}  // namespace
}  // namespace quantorial
