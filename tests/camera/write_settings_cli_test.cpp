// klvtool write-settings: options, exit status and the bytes it leaves on the card.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "camera/camera_settings.h"
#include "tool/cmd_write_settings.h"

namespace klv::tool {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class WriteSettingsCli : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/klv_cli_card_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    card_ = tmpl;
  }
  void TearDown() override { fs::remove_all(card_); }

  int Run(std::vector<std::string> args, std::string* err = nullptr) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    ::testing::internal::CaptureStderr();
    const int rc = RunWriteSettings(static_cast<int>(argv.size()), argv.data());
    const std::string e = ::testing::internal::GetCapturedStderr();
    if (err) *err = e;
    return rc;
  }
  Bytes Read(CameraProfile p) const {
    std::ifstream in(CameraSettingsPath(p, card_), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string card_;
};

TEST_F(WriteSettingsCli, PlayerProfile) {
  ASSERT_EQ(Run({"--profile", "player", "--card", card_, "--intervals", "10,60,86400", "--flicker",
                 "60", "--loop", "--expo-lock", "--time-offset", "300", "--resolutions", "2,1,0,1",
                 "--now", "2024-03-15 10:00:00"}),
            0);
  const Bytes want = {0xB6, 0xC3, 0x10, 0x00, 0x28, 0x0A, 0x00, 0x3C, 0x00, 0xFF, 0xFF, 0xB4, 0x00,
                      0x41, 0x03, 0x3C, 0x00, 0x02, 0x00, 0x03, 0x00, 0xB6, 0xC3, 0x04, 0x00, 0x29,
                      0xA0, 0x50, 0x6F, 0x58, 0xB6, 0xC3, 0x04, 0x00, 0x2A, 2,    1,    0,    1};
  EXPECT_EQ(Read(CameraProfile::Player), want);
}

TEST_F(WriteSettingsCli, ClockProfile) {
  ASSERT_EQ(Run({"--profile=clock", "--card=" + card_, "--interval", "86400", "--low-light", "off",
                 "--flicker", "50", "--datetime", "2024-03-15 10:05:07"}),
            0);
  const Bytes b = Read(CameraProfile::ClockTool);
  ASSERT_EQ(b.size(), 30u);
  EXPECT_EQ(Bytes(b.begin() + 5, b.begin() + 11), (Bytes{0xFF, 0xFF, 0xFE, 0x7F, 0x00, 0x10}));
  EXPECT_EQ(Bytes(b.begin() + 26, b.end()), (Bytes{0xA3, 0x50, 0x6F, 0x58}));
  // Low light defaults to ON.
  ASSERT_EQ(Run({"--profile", "clock", "--card", card_, "--interval", "5", "--datetime",
                 "2024-03-15 10:05:07"}),
            0);
  EXPECT_EQ(Read(CameraProfile::ClockTool)[9], 0);
  EXPECT_EQ(Read(CameraProfile::ClockTool)[10], 0);
}

TEST_F(WriteSettingsCli, UsageErrors) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--profile", "player"},
      {"--profile", "camera", "--card", card_},
      {"--profile", "player", "--card", card_},
      {"--profile", "player", "--card", card_, "--intervals", "1,2"},
      {"--profile", "player", "--card", card_, "--intervals", "1,2,86401"},
      {"--profile", "player", "--card", card_, "--intervals", "1,-2,3"},
      {"--profile", "player", "--card", card_, "--intervals", "1,2,3", "--time-offset", "120"},
      {"--profile", "player", "--card", card_, "--intervals", "1,2,3", "--resolutions", "0,1,3,0"},
      {"--profile", "player", "--card", card_, "--intervals", "1,2,3", "--low-light", "on"},
      {"--profile", "player", "--card", card_, "--intervals", "1,2,3", "--flicker", "55"},
      {"--profile", "clock", "--card", card_, "--interval", "5"},
      {"--profile", "clock", "--card", card_, "--interval", "5", "--datetime",
       "2023-02-29 00:00:00"},
      {"--profile", "clock", "--card", card_, "--interval", "5", "--datetime",
       "2023-01-01 24:00:00"},
      {"--profile", "clock", "--card", card_, "--interval", "5", "--datetime",
       "2023-01-01T00:00:00"},
      {"--profile", "clock", "--card", card_, "--interval", "5", "--datetime",
       "2023-01-01 00:00:00", "--loop"},
      {"--profile", "clock", "--card", card_, "--interval", "5", "--interval", "6", "--datetime",
       "2023-01-01 00:00:00"},
      {"--profile", "clock", "--card", card_, "--bogus"},
      {"--profile", "clock", "--card"},
  };
  for (const auto& args : cases) {
    std::string joined;
    for (const std::string& a : args) joined += a + " ";
    std::string err;
    EXPECT_EQ(Run(args, &err), 2) << joined;
    EXPECT_EQ(err.rfind("klvtool: ", 0), 0u) << err;
  }
  EXPECT_FALSE(fs::exists(fs::path(card_) / "DCIM"));
}

TEST_F(WriteSettingsCli, FailureIsOneLine) {
  const std::string file = card_ + "/file";
  std::ofstream(file) << "x";
  std::string err;
  EXPECT_EQ(Run({"--profile", "clock", "--card", file, "--interval", "5", "--datetime",
                 "2024-01-01 00:00:00"},
                &err),
            1);
  EXPECT_EQ(err.rfind("klvtool: ", 0), 0u);
  EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
}

}  // namespace
}  // namespace klv::tool
