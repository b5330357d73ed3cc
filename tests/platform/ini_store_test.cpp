#include "platform/ini_store.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/file_times.h"

namespace klv {
namespace {

TEST(IniStoreTest, ReadsLikeThePrivateProfileFunctions) {
  IniStore ini;
  ini.LoadFromString(
      "; a comment\r\n"
      "[Window]\r\n"
      "nMainWinX = 120\r\n"
      "nMainWinY=-4\r\n"
      "nEmpty=\r\n"
      "nText=abc\r\n"
      "nLead=12abc\r\n"
      "[settings]\n"
      "nZoom=50\n");
  EXPECT_EQ(ini.GetInt("window", "NMAINWINX", -1), 120);  // case-insensitive
  EXPECT_EQ(ini.GetInt("window", "nMainWinY", -1), -4);
  EXPECT_EQ(ini.GetInt("window", "nEmpty", 7), 7);      // empty value: the default
  EXPECT_EQ(ini.GetInt("window", "nText", 7), 0);       // no digits: 0
  EXPECT_EQ(ini.GetInt("window", "nLead", 7), 12);      // leading number
  EXPECT_EQ(ini.GetInt("window", "nMissing", -1), -1);
  EXPECT_EQ(ini.GetInt("settings", "nZoom", 100), 50);
  EXPECT_EQ(ini.GetInt("settings", "nMainWinX", -1), -1);  // keys belong to their section
}

TEST(IniStoreTest, WritesInPlaceAndKeepsUnknownLines) {
  IniStore ini;
  ini.LoadFromString("; keep me\n[settings]\nnZoom=50\nfoo bar\n\n[other]\nx=1\n");
  ini.WriteInt("SETTINGS", "nzoom", 200);
  ini.WriteInt("settings", "nFrmRate", 10);
  ini.WriteInt("window", "nMainWinX", -1);
  EXPECT_EQ(ini.ToString(),
            "; keep me\n[settings]\nnZoom=200\nfoo bar\nnFrmRate=10\n\n[other]\nx=1\n"
            "[window]\nnMainWinX=-1\n");
}

TEST(IniStoreTest, SavesAtomicallyAndReloads) {
  const auto dir = std::filesystem::temp_directory_path() / "klv_ini_test";
  std::filesystem::remove_all(dir);
  IniStore ini((dir / "sub" / "klvplay.ini").string());
  EXPECT_FALSE(ini.Load());  // missing file: empty store
  ini.WriteInt("settings", "cDrive", 69);
  ASSERT_TRUE(ini.Save());
  IniStore again(ini.Path());
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.GetInt("settings", "cDrive", 67), 69);
  // No temporary file is left beside it.
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir / "sub")) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);
  std::filesystem::remove_all(dir);
}

TEST(IniStoreTest, SaveIntoAnUnwritablePlaceFails) {
  IniStore ini("/proc/klv_no_such_dir/klvplay.ini");
  ini.WriteInt("settings", "nZoom", 100);
  EXPECT_FALSE(ini.Save());
}

TEST(IniStoreTest, LeadingIntSaturates) {
  EXPECT_EQ(LeadingInt("  +42x"), 42);
  EXPECT_EQ(LeadingInt("99999999999999"), 2147483647);
  EXPECT_EQ(LeadingInt("-99999999999999"), -2147483647 - 1);
  EXPECT_EQ(LeadingInt(""), 0);
}

TEST(FileTimesTest, DosWordsPackFieldsAndRoundOddSecondsDown) {
  const DosDateTime d = ToDosDateTime(2009, 12, 31, 23, 59, 59);
  EXPECT_EQ(d.date, ((2009 - 1980) << 9) | (12 << 5) | 31);
  EXPECT_EQ(d.time, (23 << 11) | (59 << 5) | 29);
  EXPECT_EQ(ToDosDateTime(1979, 12, 31, 0, 0, 0).date, 0);
  EXPECT_EQ(ToDosDateTime(2108, 1, 1, 0, 0, 0).date, 0);
}

TEST(FileTimesTest, CreationTimeOfAFileIsRecent) {
  const auto path = std::filesystem::temp_directory_path() / "klv_ctime_test.avi";
  { std::ofstream(path) << "x"; }
  int64_t created = 0;
  ASSERT_TRUE(CreationFileTime(path.string(), &created));
  const int64_t now = kFileTimeUnixEpoch + static_cast<int64_t>(std::time(nullptr)) * 10000000LL;
  EXPECT_LT(std::llabs(now - created), 3600LL * 10000000LL);
  EXPECT_FALSE(CreationFileTime("/no/such/file.avi", &created));
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace klv
