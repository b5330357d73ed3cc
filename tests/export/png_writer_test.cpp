#include "export/png_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <random>

#include "export/export_test_util.h"
#include "platform/output_file.h"

namespace klv {
namespace {

using test::ScratchDir;

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

// ffmpeg's own PNG decoder turns the file back into BGR rows.
std::vector<uint8_t> DecodeWithFfmpeg(const std::string& path) {
  const std::string cmd = "ffmpeg -nostdin -v error -i '" + path + "' -f rawvideo -pix_fmt bgr24 -";
  FILE* p = ::popen(cmd.c_str(), "r");
  std::vector<uint8_t> out;
  if (p == nullptr) return out;
  uint8_t buf[4096];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, p)) > 0) out.insert(out.end(), buf, buf + got);
  ::pclose(p);
  return out;
}

TEST(PngWriterTest, FfmpegReadsBackEveryPixelOfAnOddSizedPicture) {
  ScratchDir dir("png");
  // 37 pixels a row: 111 bytes, padded to 112 in the picture.
  FramePicture pic;
  pic.Create(37, 23);
  std::mt19937 rng(3);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 111; ++x) pic.Row(y)[x] = static_cast<uint8_t>(rng());
  pic.Row(5)[0] = 1;  // blue of (0, 5)
  pic.Row(5)[2] = 250;
  const std::string out = dir / "frame.png";
  std::string error;
  ASSERT_TRUE(WritePngFile(pic, out, &error)) << error;
  EXPECT_EQ(dir.List(), std::vector<std::string> {"frame.png"});

  const std::vector<uint8_t> back = DecodeWithFfmpeg(out);
  ASSERT_EQ(back.size(), 37u * 23u * 3u);
  for (int y = 0; y < 23; ++y)
    ASSERT_TRUE(std::equal(pic.Row(y), pic.Row(y) + 111, back.begin() + y * 111)) << "row " << y;
  EXPECT_EQ(back[5 * 111 + 0], 1);
  EXPECT_EQ(back[5 * 111 + 2], 250);

  // The bytes are the file.
  const std::vector<uint8_t> bytes = EncodePng(pic);
  EXPECT_EQ(bytes, ReadAll(out));
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
}

TEST(PngWriterTest, FailuresSayWhyAndLeaveNothingBehind) {
  ScratchDir dir("png_fail");
  std::string error;
  EXPECT_TRUE(EncodePng(FramePicture(), &error).empty());
  EXPECT_EQ(error, "no picture to write");
  const std::string out = dir / "a.png";
  EXPECT_FALSE(WritePngFile(FramePicture(), out, &error));
  EXPECT_EQ(error, "cannot write " + out + ": no picture to write");

  const FramePicture pic = test::SolidPicture(8, 8, 1, 2, 3);
  const std::string missing = dir / "none/a.png";
  EXPECT_FALSE(WritePngFile(pic, missing, &error));
  EXPECT_EQ(error, "cannot write " + missing + ": No such file or directory");
  EXPECT_FALSE(WritePngFile(pic, dir / "", &error));
  EXPECT_EQ(error, "cannot write " + (dir / "") + ": Is a directory");
  EXPECT_TRUE(dir.List().empty());

  // An earlier file is replaced whole, never in part.
  { std::ofstream(out) << "old"; }
  ASSERT_TRUE(WritePngFile(pic, out, &error)) << error;
  EXPECT_EQ(ReadAll(out), EncodePng(pic));
}

TEST(OutputFileTest, NothingUnderTheNameUntilCommitted) {
  ScratchDir dir("outfile");
  const std::string out = dir / "x.bin";
  {
    OutputFile f;
    ASSERT_TRUE(f.Begin(out)) << f.Error();
    ASSERT_TRUE(f.Write("abc", 3));
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(std::filesystem::path(f.TempPath()).parent_path(), dir.Path());
  }  // dropped
  EXPECT_TRUE(dir.List().empty());

  OutputFile f;
  ASSERT_TRUE(f.Begin(out));
  ASSERT_TRUE(f.Write("abc", 3));
  f.Fail("the source ran dry");
  EXPECT_EQ(f.Error(), "cannot write " + out + ": the source ran dry");
  EXPECT_FALSE(f.Active());
  EXPECT_FALSE(f.Commit());
  EXPECT_TRUE(dir.List().empty());

  const mode_t mask = ::umask(022);
  ASSERT_TRUE(f.Begin(out));
  ::umask(mask);
  ASSERT_TRUE(f.Write("abcdef", 6));
  ASSERT_TRUE(f.Commit()) << f.Error();
  EXPECT_EQ(ReadAll(out), (std::vector<uint8_t> {'a', 'b', 'c', 'd', 'e', 'f'}));
  EXPECT_EQ(dir.List(), std::vector<std::string> {"x.bin"});
  // Made with the usual permissions, not the private ones of a temporary file.
  const auto perms = std::filesystem::status(out).permissions();
  EXPECT_NE(perms & std::filesystem::perms::group_read, std::filesystem::perms::none);
}

}  // namespace
}  // namespace klv
