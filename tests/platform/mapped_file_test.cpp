// File windows read into memory: exact contents, the failure points, and a
// file that shrinks while it is open.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/mapped_file.h"

namespace klv {
namespace {

namespace fs = std::filesystem;

class MappedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (fs::temp_directory_path() / ("klv_mapped_" + std::to_string(::getpid()))).string();
    bytes_.resize(5 * 4096 + 123);
    for (size_t i = 0; i < bytes_.size(); ++i) bytes_[i] = static_cast<uint8_t>(i * 7 + i / 251);
    std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes_.data()),
                                                 static_cast<std::streamsize>(bytes_.size()));
  }
  void TearDown() override { fs::remove(path_); }

  std::string path_;
  std::vector<uint8_t> bytes_;
};

TEST_F(MappedFileTest, ViewsHoldTheFilesBytes) {
  MappedFile f;
  ASSERT_TRUE(f.Open(path_));
  EXPECT_EQ(f.Size(), bytes_.size());
  const uint32_t g = MappedFile::Granularity();
  struct Case {
    uint64_t offset;
    size_t length;
  } cases[] = {{0, 4096}, {g, 2 * 4096}, {0, bytes_.size()}, {4 * uint64_t{g}, bytes_.size() - 4 * g}, {0, 1}};
  for (const Case& c : cases) {
    if (c.offset + c.length > bytes_.size()) continue;
    const uint8_t* v = f.Map(c.offset, c.length);
    ASSERT_NE(v, nullptr) << c.offset << "+" << c.length << ": " << f.LastError();
    EXPECT_TRUE(std::equal(v, v + c.length, bytes_.begin() + static_cast<std::ptrdiff_t>(c.offset)));
  }
  // Outside the file, empty, or beyond the test hook's limit: no view.
  EXPECT_EQ(f.Map(bytes_.size(), 1), nullptr);
  EXPECT_EQ(f.Map(0, bytes_.size() + 1), nullptr);
  EXPECT_EQ(f.Map(0, 0), nullptr);
  f.FailMapsFrom(g);
  EXPECT_EQ(f.Map(g, 16), nullptr);
  EXPECT_NE(f.Map(0, 16), nullptr);
  EXPECT_TRUE(f.Close());
  EXPECT_EQ(f.Map(0, 16), nullptr);
}

TEST_F(MappedFileTest, AFileThatShrinksFailsTheViewsPastItsNewEnd) {
  MappedFile f;
  ASSERT_TRUE(f.Open(path_));
  const uint8_t* v = f.Map(0, 3 * 4096);
  ASSERT_NE(v, nullptr);
  // Another program cuts the file: the bytes already handed out stay readable.
  fs::resize_file(path_, 2 * 4096 + 10);
  EXPECT_EQ(v[3 * 4096 - 1], bytes_[3 * 4096 - 1]);
  EXPECT_NE(f.Map(0, 2 * 4096), nullptr);
  EXPECT_EQ(f.Map(0, 3 * 4096), nullptr);
  EXPECT_FALSE(f.LastError().empty());
  EXPECT_EQ(f.Map(4 * 4096, 4096), nullptr);
  EXPECT_TRUE(f.Close());
}

TEST(MappedFileOpenTest, FoldersAndMissingFilesDoNotOpen) {
  MappedFile f;
  EXPECT_FALSE(f.Open(fs::temp_directory_path().string()));
  EXPECT_FALSE(f.LastError().empty());
  EXPECT_FALSE(f.Open("/no/such/file.m4v"));
  EXPECT_FALSE(f.IsOpen());
  const uint8_t data[] = {1, 2, 3};
  f.OpenBuffer(data, sizeof data);
  const uint8_t* v = f.Map(1, 2);
  ASSERT_EQ(v, data + 1);
}

}  // namespace
}  // namespace klv
