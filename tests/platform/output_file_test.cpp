// Replacing a file in one step: the new bytes or, on any failure, the old file
// as it was and no temporary file left behind.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/output_file.h"
#include "platform/file_test_support.h"

namespace klv {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) { return klv::test::ReadFileText(p.string()); }

int FilesIn(const fs::path& dir) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    (void)e;
    ++n;
  }
  return n;
}

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           (std::string("klv_atomic_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(OutputFileTest, WritesAndReplacesWithoutLeavingATemporaryFile) {
  const std::string path = (dir_ / "klvplay.log").string();
  ASSERT_TRUE(WriteFileAtomically(path, "first\r\nsecond\r\n"));
  EXPECT_EQ(Read(path), "first\r\nsecond\r\n");
  ASSERT_TRUE(WriteFileAtomically(path, std::string_view("a\0b", 3)));
  EXPECT_EQ(Read(path), std::string("a\0b", 3)) << "replaced, not appended; bytes as given";
  ASSERT_TRUE(WriteFileAtomically(path, ""));
  EXPECT_EQ(fs::file_size(path), 0u);
  EXPECT_EQ(FilesIn(dir_), 1);
}

TEST_F(OutputFileTest, AFailureKeepsTheOldFileAndSaysWhy) {
  const fs::path old = dir_ / "klvplay.log";
  std::ofstream(old) << "old log\r\n";

  // A folder that cannot hold the file (its "folder" is a file).
  std::string error;
  EXPECT_FALSE(WriteFileAtomically((old / "inner.log").string(), "x", &error));
  EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;
  EXPECT_FALSE(WriteFileAtomically("", "x", &error));

  // A disk that fills part way: the new log's write comes up short.
  bool wrote = true;
  {
    test::FileSizeLimit full(16);
    ASSERT_TRUE(full.Active());
    error.clear();
    wrote = WriteFileAtomically(old.string(), std::string(100000, 'n'), &error);
  }
  EXPECT_FALSE(wrote);
  EXPECT_EQ(error.rfind("cannot write " + old.string() + ": ", 0), 0u) << error;
  EXPECT_EQ(Read(old), "old log\r\n");
  EXPECT_EQ(FilesIn(dir_), 1) << "the temporary file is removed";

  // A target that cannot be replaced (a folder of that name).
  fs::create_directories(dir_ / "busy.log" / "x");
  EXPECT_FALSE(WriteFileAtomically((dir_ / "busy.log").string(), "x", &error));
  EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
  EXPECT_EQ(FilesIn(dir_), 2);
}

}  // namespace
}  // namespace klv
