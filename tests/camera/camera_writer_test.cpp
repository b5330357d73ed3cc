// Writing onto a folder standing for the card, and onto cards that fail part way.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "camera/camera_files.h"
#include "camera/camera_settings.h"

namespace klv {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// The real file system with counters and switches for failures.
class TestFiles : public PosixCameraFiles {
 public:
  int opens = 0;
  int makeDirs = 0;
  bool refuseOpen = false;  // a write-protected card
  bool refuseMakeDir = false;
  int shortWriteAt = -1;  // index of the write that comes back short
  bool failClose = false;
  bool failRename = false;
  int writes = 0;

  int Open(const std::string& path) override {
    ++opens;
    if (refuseOpen) return -1;
    return PosixCameraFiles::Open(path);
  }
  long Write(int handle, const void* data, size_t size) override {
    if (writes++ == shortWriteAt) return PosixCameraFiles::Write(handle, data, size / 2);
    return PosixCameraFiles::Write(handle, data, size);
  }
  bool Close(int handle) override {
    const bool ok = PosixCameraFiles::Close(handle);
    return ok && !failClose;
  }
  bool MakeDir(const std::string& path) override {
    ++makeDirs;
    if (refuseMakeDir) return false;
    return PosixCameraFiles::MakeDir(path);
  }
  bool Rename(const std::string& from, const std::string& to) override {
    if (failRename) return false;
    return PosixCameraFiles::Rename(from, to);
  }
};

class CameraWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/klv_card_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    card_ = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(card_, fs::perms::owner_all, ec);
    fs::remove_all(card_, ec);
  }

  CameraSettingsValues Values(CameraProfile profile) const {
    CameraSettingsValues v;
    v.profile = profile;
    v.card = card_;
    v.intervals = {30, 60, 86400};
    v.flicker = kFlicker50Hz;
    v.clock = {2024, 6, 1, 12, 0, 0};
    return v;
  }

  static Bytes Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Every file on the card, relative to it.
  std::vector<std::string> Files() const {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(card_))
      if (e.is_regular_file()) out.push_back(fs::relative(e.path(), card_).string());
    return out;
  }

  std::string card_;
};

TEST_F(CameraWriter, FreshCardGetsBothFoldersAndTheFile) {
  for (CameraProfile p : {CameraProfile::Player, CameraProfile::ClockTool}) {
    SCOPED_TRACE(p == CameraProfile::Player ? "player" : "clock tool");
    fs::remove_all(fs::path(card_) / "DCIM");
    TestFiles files;
    std::string err;
    ASSERT_EQ(CameraSettingsWriter(Values(p), &err, &files), 0) << err;
    EXPECT_EQ(files.opens, 2);
    EXPECT_EQ(files.makeDirs, 2);
    const std::string path = CameraSettingsPath(p, card_);
    EXPECT_EQ(Read(path), CameraSettingsImage(MakeCameraSettingsFile(Values(p))));
    EXPECT_EQ(Files().size(), 1u);
  }
  EXPECT_EQ(CameraSettingsPath(CameraProfile::Player, "/media/u/CARD"),
            "/media/u/CARD/DCIM/100zelta/REGISTRY.LDR");
  EXPECT_EQ(CameraSettingsPath(CameraProfile::ClockTool, "/media/u/CARD/"),
            "/media/u/CARD/DCIM/100klvcm/registry.ldr");
}

TEST_F(CameraWriter, ExistingFolderOpensOnceAndReplacesTheFile) {
  const std::string folder = CameraSettingsFolder(CameraProfile::ClockTool, card_);
  fs::create_directories(folder);
  const std::string path = CameraSettingsPath(CameraProfile::ClockTool, card_);
  std::ofstream(path, std::ios::binary) << std::string(100, 'x');
  TestFiles files;
  CameraSettingsValues v = Values(CameraProfile::ClockTool);
  ASSERT_EQ(CameraSettingsWriter(v, nullptr, &files), 0);
  EXPECT_EQ(files.opens, 1);
  EXPECT_EQ(files.makeDirs, 0);
  EXPECT_EQ(Read(path).size(), kSettingsFileSize);
  v.profile = CameraProfile::Player;
  v.withResolutions = true;
  ASSERT_EQ(CameraSettingsWriter(v, nullptr, &files), 0);
  EXPECT_EQ(Read(CameraSettingsPath(CameraProfile::Player, card_)).size(),
            kSettingsFileSizeWithResolution);
}

TEST_F(CameraWriter, WriteProtectedCardFailsAfterOneOpen) {
  TestFiles files;
  files.refuseOpen = true;
  files.refuseMakeDir = true;
  std::string err;
  EXPECT_EQ(CameraSettingsWriter(Values(CameraProfile::Player), &err, &files), -1);
  EXPECT_EQ(files.opens, 1);
  EXPECT_EQ(files.makeDirs, 2);
  EXPECT_FALSE(err.empty());
  EXPECT_TRUE(Files().empty());
}

TEST_F(CameraWriter, ReadOnlyFolderOnDisk) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
  fs::permissions(card_, fs::perms::owner_read | fs::perms::owner_exec);
  TestFiles files;
  EXPECT_EQ(CameraSettingsWriter(Values(CameraProfile::ClockTool), nullptr, &files), -1);
  EXPECT_EQ(files.opens, 1);
  EXPECT_FALSE(fs::exists(fs::path(card_) / "DCIM"));
}

TEST_F(CameraWriter, FolderThatExistsButTakesNoFile) {
  // The folder is there, so it cannot be created again: no third attempt.
  fs::create_directories(CameraSettingsFolder(CameraProfile::Player, card_));
  TestFiles files;
  files.refuseOpen = true;
  EXPECT_EQ(CameraSettingsWriter(Values(CameraProfile::Player), nullptr, &files), -1);
  EXPECT_EQ(files.opens, 1);
}

TEST_F(CameraWriter, CardThatIsNotAFolder) {
  const std::string file = card_ + "/not_a_card";
  std::ofstream(file) << "x";
  CameraSettingsValues v = Values(CameraProfile::Player);
  v.card = file;
  std::string err;
  EXPECT_EQ(CameraSettingsWriter(v, &err), -1);
  EXPECT_NE(err.find("100zelta"), std::string::npos) << err;
  v.card.clear();
  EXPECT_EQ(CameraSettingsWriter(v, &err), -1);
}

TEST_F(CameraWriter, FailuresPartWayLeaveTheOldFileAlone) {
  struct Case {
    const char* what;
    int shortWriteAt;
    bool failClose;
    bool failRename;
  };
  const Case cases[] = {
      {"short settings record", 0, false, false},
      {"short clock record", 1, false, false},
      {"short resolution record", 2, false, false},
      {"close fails", -1, true, false},
      {"rename fails", -1, false, true},
  };
  const std::string path = CameraSettingsPath(CameraProfile::Player, card_);
  fs::create_directories(CameraSettingsFolder(CameraProfile::Player, card_));
  const Bytes old = {1, 2, 3, 4, 5};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(old.data()), static_cast<std::streamsize>(old.size()));
    TestFiles files;
    files.shortWriteAt = c.shortWriteAt;
    files.failClose = c.failClose;
    files.failRename = c.failRename;
    CameraSettingsValues v = Values(CameraProfile::Player);
    v.withResolutions = true;
    std::string err;
    EXPECT_EQ(CameraSettingsWriter(v, &err, &files), -1);
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(Read(path), old);
    EXPECT_EQ(Files().size(), 1u) << "a temporary file was left on the card";
  }
}

TEST_F(CameraWriter, InvalidClockIsRefused) {
  CameraSettingsValues v = Values(CameraProfile::ClockTool);
  v.clock = {2024, 13, 1, 0, 0, 0};
  EXPECT_EQ(CameraSettingsWriter(v), -1);
  EXPECT_TRUE(Files().empty());
  // A real date the FAT words cannot hold is written, as zero words.
  v.clock = {1975, 5, 5, 5, 5, 5};
  ASSERT_EQ(CameraSettingsWriter(v), 0);
  const Bytes b = Read(CameraSettingsPath(CameraProfile::ClockTool, card_));
  ASSERT_EQ(b.size(), kSettingsFileSize);
  EXPECT_EQ(Bytes(b.begin() + 26, b.end()), (Bytes{0, 0, 0, 0}));
}

}  // namespace
}  // namespace klv
