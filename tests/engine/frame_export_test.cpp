// Save Current: the suggested name, the bytes written, and failures reported.

#include <gtest/gtest.h>

#include "player_fixture.h"
#include "support/avi_writer.h"

namespace klv::test {
namespace {

class FrameExportTest : public PlayerFixture {};

TEST(FrameNameTest, FormatsPerSourceKind) {
  EXPECT_EQ(SuggestedFrameName(SourceKind::Avi, 1), "ztfrm00001.jpg");
  EXPECT_EQ(SuggestedFrameName(SourceKind::Avi, 42), "ztfrm00042.jpg");
  EXPECT_EQ(SuggestedFrameName(SourceKind::Avi, 100000), "ztfrm100000.jpg");
  EXPECT_EQ(SuggestedFrameName(SourceKind::Stream, 42), "ztfrm00042.bmp");
  EXPECT_EQ(SuggestedFrameName(SourceKind::Ztm, 42), "ztfrm00002a.bmp");
  EXPECT_EQ(SuggestedFrameName(SourceKind::None, 1), "");
}

TEST_F(FrameExportTest, SavesTheFrameBytesAsStoredUnderTheSuggestedName) {
  const std::string movie = Movie("a.avi", 6, 1);
  PlayList({movie});
  player->Pause();
  for (int i = 0; i < 3; ++i) player->StepForward();

  const std::string out = Path("saved.jpg");
  view.saveAnswers.push_back(out);
  EXPECT_TRUE(player->SaveCurrent(false));
  ASSERT_EQ(view.saveSuggestions.size(), 1u);
  EXPECT_EQ(view.saveSuggestions[0], Path("ztfrm00004.jpg"));
  EXPECT_EQ(sample::ReadBytes(out), sample::BuildCameraFrame(Small(), 3));
  EXPECT_TRUE(view.errorBoxes.empty());

  // The pop-up menu's command does the same for AVI.
  view.saveAnswers.push_back(Path("popup.jpg"));
  EXPECT_TRUE(player->SaveCurrent(true));
  EXPECT_EQ(view.saveSuggestions[1], Path("ztfrm00004.jpg"));
  EXPECT_EQ(sample::ReadBytes(Path("popup.jpg")), sample::BuildCameraFrame(Small(), 3));
}

TEST_F(FrameExportTest, FirstFrameIsSuggestedAsNumberOne) {
  PlayList({Movie("a.avi", 3, 1)});
  player->Stop();
  view.saveAnswers.push_back(std::nullopt);  // cancelled: nothing written
  EXPECT_FALSE(player->SaveCurrent(false));
  EXPECT_EQ(view.saveSuggestions.back(), Path("ztfrm00001.jpg"));
  EXPECT_TRUE(view.errorBoxes.empty());
}

TEST_F(FrameExportTest, AFileThatCannotBeWrittenIsReported) {
  PlayList({Movie("a.avi", 3, 1)});
  view.saveAnswers.push_back(Path("no/such/folder/x.jpg"));
  EXPECT_FALSE(player->SaveCurrent(false));
  ASSERT_EQ(view.errorBoxes.size(), 1u);
  EXPECT_NE(view.errorBoxes[0].find("no/such/folder/x.jpg"), std::string::npos);
}

TEST_F(FrameExportTest, NothingOpenNothingSaved) {
  EXPECT_FALSE(player->SaveCurrent(false));
  EXPECT_FALSE(player->SaveCurrent(true));
  EXPECT_TRUE(view.saveSuggestions.empty());
}

}  // namespace
}  // namespace klv::test
