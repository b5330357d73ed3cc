// The play list: order by creation time, duplicates, the playing entry's
// index, the list's buttons and failures that must leave the player running.

#include <gtest/gtest.h>

#include "player_fixture.h"

namespace klv::test {
namespace {

using C = ControlId;

class PlayListTest : public PlayerFixture {
 protected:
  std::vector<std::string> Names() const { return view.listItems; }
};

TEST_F(PlayListTest, SortedByCreationTimeWithTiesBefore) {
  created[Path("B.avi")] = 1000;
  created[Path("A.avi")] = 900;
  created[Path("C.avi")] = 1100;
  created[Path("D.avi")] = 1000;
  for (const char* n : {"B.avi", "A.avi", "C.avi", "D.avi"}) player->AddToPlayList(Path(n));
  player->RefreshPlayListBox();
  EXPECT_EQ(Names(), (std::vector<std::string>{"A.avi", "D.avi", "B.avi", "C.avi"}));
  EXPECT_EQ(player->playList[1].path, Path("D.avi"));
  EXPECT_EQ(player->playList[1].created, 1000);
}

TEST_F(PlayListTest, DuplicatesByExactPathUnacceptedKindsAndTheTwentySixthAreIgnored) {
  created[Path("clip.avi")] = 5;
  created[Path("CLIP.avi")] = 5;
  player->AddToPlayList(Path("clip.avi"));
  player->AddToPlayList(Path("clip.avi"));
  player->AddToPlayList(Path("CLIP.avi"));  // another letter case is another file
  player->AddToPlayList(Path("notes.txt"));
  player->AddToPlayList(Path("clip.mp4"));
  player->AddToPlayList(Path("noext"));
  EXPECT_EQ(player->state.playListCount, 2);

  for (int i = 0; i < 30; ++i) {
    const std::string p = Path("m" + std::to_string(i) + ".M4V");
    created[p] = 100 + i;
    player->AddToPlayList(p);
  }
  EXPECT_EQ(player->state.playListCount, kMaxPlayList);
  EXPECT_EQ(player->playList[24].path, Path("m22.M4V"));
}

TEST_F(PlayListTest, FileWithoutReadableTimesSortsLast) {
  created[Path("a.avi")] = 10;
  player->AddToPlayList(Path("unknown.avi"));
  player->AddToPlayList(Path("a.avi"));
  EXPECT_EQ(player->playList[0].path, Path("a.avi"));
  EXPECT_EQ(player->playList[1].path, Path("unknown.avi"));
}

TEST_F(PlayListTest, AddingBeforeThePlayingEntryKeepsItPlaying) {
  const std::string b = Movie("b.avi", 5, 200);
  const std::string c = Movie("c.avi", 5, 300);
  PlayList({b, c});
  ASSERT_EQ(Entry(), 0);
  const std::string a = Movie("a.avi", 5, 100);
  player->DropFiles({a});  // playing: only added
  EXPECT_EQ(Entry(), 1);
  EXPECT_EQ(view.selected, 1);
  EXPECT_EQ(view.caption, "b.avi");
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.avi", "b.avi", "c.avi"}));
  const std::string d = Movie("d.avi", 5, 400);
  player->DropFiles({d});
  EXPECT_EQ(Entry(), 1);

  player->Pause();
  const std::string e = Movie("e.avi", 5, 50);
  player->DropFiles({e});  // not playing: the list starts again from its first entry
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(view.caption, "e.avi");
  EXPECT_TRUE(player->state.playing);
}

TEST_F(PlayListTest, StartingWithTwoFilesPlaysTheEarlierOne) {
  const std::string late = Movie("late.avi", 3, 20);
  const std::string early = Movie("early.avi", 3, 10);
  PlayList({late, early});
  EXPECT_EQ(Names(), (std::vector<std::string>{"early.avi", "late.avi"}));
  EXPECT_EQ(view.caption, "early.avi");
  EXPECT_EQ(view.panels[0], "early.avi");
  EXPECT_TRUE(player->state.playing);
  EXPECT_EQ(view.selected, 0);
}

TEST_F(PlayListTest, PreviousAndNextBeepAtTheEnds) {
  PlayList({Movie("a.avi", 2, 1), Movie("b.avi", 2, 2)});
  player->PreviousCommand();
  EXPECT_EQ(view.beeps, 1);
  EXPECT_EQ(Entry(), 0);
  player->NextCommand();
  EXPECT_EQ(Entry(), 1);
  EXPECT_EQ(view.caption, "b.avi");
  player->NextCommand();
  EXPECT_EQ(view.beeps, 2);
  player->PlayListDoubleClick(0);
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(view.caption, "a.avi");
  EXPECT_TRUE(player->state.playing);
}

TEST_F(PlayListTest, ClearEmptiesEverything) {
  PlayList({Movie("a.avi", 3, 1)});
  player->ClearCommand();
  EXPECT_EQ(player->state.playListCount, 0);
  EXPECT_EQ(player->state.kind, SourceKind::None);
  EXPECT_TRUE(view.listItems.empty());
  EXPECT_EQ(view.caption, "[none]");
  EXPECT_EQ(view.panels[0], "[none]");
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(view.panels[static_cast<size_t>(i)], "") << i;
  EXPECT_FALSE(view.Shown(C::Image1));
  EXPECT_FALSE(view.Shown(C::tbWhere));
  EXPECT_TRUE(view.Shown(C::pbWhere));
  EXPECT_TRUE(view.Enabled(C::EmbedTimestamp1));
  EXPECT_EQ(view.shown, nullptr);
  for (C id : {C::sbStop, C::sbPause, C::sbBackward, C::sbPrevious, C::sbNext, C::sbForward})
    EXPECT_FALSE(On(id)) << ControlName(id);
  EXPECT_TRUE(player->state.firstFile);
}

TEST_F(PlayListTest, OnlyUnacceptedFilesDoNothing) {
  player->StartWithFiles({Path("holiday.mp4"), Path("notes.txt")});
  player->DropFiles({Path("x.jpg")});
  EXPECT_TRUE(view.messages.empty());
  EXPECT_EQ(player->state.kind, SourceKind::None);
  EXPECT_FALSE(player->state.playing);
}

TEST_F(PlayListTest, UnopenableFilesShowTheirMessageAndLeaveTheTransportOff) {
  created[Path("missing.avi")] = 1;
  player->StartWithFiles({Path("missing.avi")});
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0], MessageKind::NotFound);
  EXPECT_EQ(player->state.kind, SourceKind::None);
  EXPECT_FALSE(player->state.playing);
  for (C id : {C::sbStop, C::sbPause, C::sbBackward, C::sbPrevious, C::sbNext, C::sbForward})
    EXPECT_FALSE(On(id)) << ControlName(id);

  sample::MovieSpec empty = Small();
  empty.avi.headerTotalFrames = 0;
  const std::string none = Movie("none.avi", 2, 2, empty);
  player->ClearCommand();
  player->StartWithFiles({none});
  ASSERT_EQ(view.messages.size(), 2u);
  EXPECT_EQ(view.messages[1], MessageKind::NoFrames);

  // An unknown extension reaching the open directly (the list never lets one in).
  EXPECT_FALSE(player->OpenSource(Path("clip.mp4"), 0));
  EXPECT_EQ(view.messages.back(), MessageKind::UnknownFormat);
  EXPECT_EQ(player->state.kind, SourceKind::None);

  // A list whose next entry cannot be opened stops there, transport off.
  const std::string good = Movie("good.avi", 2, 10);
  created[Path("gone.avi")] = 20;
  player->ClearCommand();
  PlayList({good, Path("gone.avi")});
  player->Pause();
  player->StepForward();
  player->StepForward();
  EXPECT_EQ(view.messages.back(), MessageKind::NotFound);
  EXPECT_FALSE(On(C::sbForward));
  EXPECT_FALSE(On(C::sbNext));
  EXPECT_FALSE(player->state.playing);
}

TEST_F(PlayListTest, HoverShowsTheEntryPathInsideTheBoxOnly) {
  created[Path("a.avi")] = 1;
  created[Path("b.avi")] = 2;
  player->AddToPlayList(Path("a.avi"));
  player->AddToPlayList(Path("b.avi"));
  // Item height 16, first line visible, box 262 x 126.
  player->PlayListMouseMove(20, 20, 16, 0, 262, 126);
  EXPECT_EQ(view.Text(C::lblFilePath), Path("b.avi"));
  player->PlayListMouseMove(20, 40, 16, 0, 262, 126);  // below the last line
  EXPECT_EQ(view.Text(C::lblFilePath), "");
  player->PlayListMouseMove(20, 5, 16, 0, 262, 126);
  EXPECT_EQ(view.Text(C::lblFilePath), Path("a.avi"));
  player->PlayListMouseMove(3, 5, 16, 0, 262, 126);  // left margin
  EXPECT_EQ(view.Text(C::lblFilePath), "");
  player->PlayListMouseMove(250, 5, 16, 0, 262, 126);  // beside the scroll bar
  EXPECT_EQ(view.Text(C::lblFilePath), "");
  player->PlayListMouseMove(20, 5, 16, 1, 262, 126);  // scrolled by one line
  EXPECT_EQ(view.Text(C::lblFilePath), Path("b.avi"));
  player->PlayListExit();
  EXPECT_EQ(view.Text(C::lblFilePath), "");
}

TEST_F(PlayListTest, OpenDialogReplacesTheList) {
  const std::string a = Movie("a.avi", 2, 1);
  const std::string b = Movie("b.avi", 2, 2);
  view.openAnswer = std::vector<std::string>{b, a};
  player->OpenFilesCommand();
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.avi", "b.avi"}));
  EXPECT_EQ(view.caption, "a.avi");
  view.openAnswer = std::nullopt;  // cancelled
  player->OpenFilesCommand();
  EXPECT_EQ(player->state.playListCount, 2);
}

}  // namespace
}  // namespace klv::test
