// Next Event and Prev Event through the play list, on event-mode movies from
// the sample writer.

#include <gtest/gtest.h>

#include "engine/player_fixture.h"
#include "support/avi_writer.h"

namespace klv::test {
namespace {

using C = ControlId;

class EventNavigationTest : public PlayerFixture {
 protected:
  std::string EventMovie(const std::string& name, int frames, int64_t createdAt,
                         std::vector<int> marked) {
    sample::MovieSpec plan = Small();
    plan.eventMode = true;
    plan.eventFrames = std::move(marked);
    return Movie(name, frames, createdAt, plan);
  }
  void At(int entry, int frame) {
    if (Entry() != entry) player->StartPlayListItem(entry);
    player->Pause();
    view.UserSeek(frame);
    ASSERT_EQ(Frame(), frame);
  }
};

TEST_F(EventNavigationTest, NextEventFindsTheMarkedFrameThenGoesOnIntoTheNextFile) {
  const std::string a = EventMovie("a.avi", 50, 1, {40});
  const std::string b = EventMovie("b.avi", 20, 2, {7, 12});
  const std::string c = EventMovie("c.avi", 10, 3, {0, 5});
  PlayList({a, b, c});
  At(0, 10);
  player->NextEventCommand();
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(Frame(), 40);
  EXPECT_EQ(view.Text(C::lblElapsedTime), "2 of 2");
  EXPECT_EQ(view.captions, StatsCaptions::kEvent);
  EXPECT_TRUE(player->state.paused);
  EXPECT_TRUE(view.Shown(C::tbWhere));
  EXPECT_FALSE(On(C::sbStop));  // Next Event leaves Stop off

  player->NextEventCommand();
  EXPECT_EQ(Entry(), 1);
  EXPECT_EQ(view.selected, 1);
  EXPECT_EQ(Frame(), 7);
  player->NextEventCommand();
  EXPECT_EQ(Frame(), 12);
  // The next file's frame 0 is marked: it is examined and shown.
  player->NextEventCommand();
  EXPECT_EQ(Entry(), 2);
  EXPECT_EQ(Frame(), 0);
  player->NextEventCommand();
  EXPECT_EQ(Frame(), 5);
  // No event after it: the last frame of the last entry.
  player->NextEventCommand();
  EXPECT_EQ(Entry(), 2);
  EXPECT_EQ(Frame(), 9);
  EXPECT_FALSE(On(C::sbNextEvent));
  EXPECT_TRUE(On(C::sbPrevEvent));
}

TEST_F(EventNavigationTest, PrevEventNeverStopsAtAFilesUnmarkedFrameZero) {
  const std::string a = EventMovie("a.avi", 30, 1, {3, 22});
  const std::string b = EventMovie("b.avi", 20, 2, {});
  const std::string c = EventMovie("c.avi", 20, 3, {9});
  PlayList({a, b, c});
  At(2, 15);
  player->PrevEventCommand();
  EXPECT_EQ(Entry(), 2);
  EXPECT_EQ(Frame(), 9);
  EXPECT_TRUE(On(C::sbStop));  // Prev Event turns Stop on
  // From 9: c's frames 8..1, b's 19..1 hold nothing; a's 22.
  player->PrevEventCommand();
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(Frame(), 22);
  player->PrevEventCommand();
  EXPECT_EQ(Frame(), 3);
  // Past the first entry: frame 0 of the first entry.
  player->PrevEventCommand();
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(Frame(), 0);
  // From frame 0 of the first entry: frame 0 again.
  const int shown = view.picturesShown;
  player->PrevEventCommand();
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(Frame(), 0);
  EXPECT_GT(view.picturesShown, shown);
  EXPECT_TRUE(player->state.paused);
  EXPECT_FALSE(On(C::sbPrevEvent));
}

TEST_F(EventNavigationTest, EntriesThatAreNotAviMoviesAreSteppedOver) {
  const std::string a = EventMovie("a.avi", 10, 1, {5});
  const std::string s = Path("s.m4v");
  ASSERT_TRUE(sample::WriteBytes(s, std::vector<uint8_t>(100, 0x5A)));
  created[s] = 2;
  const std::string c = EventMovie("c.avi", 10, 3, {7});
  PlayList({a, s, c});
  At(0, 6);
  player->NextEventCommand();
  EXPECT_EQ(Entry(), 2);
  EXPECT_EQ(Frame(), 7);
  player->PrevEventCommand();
  EXPECT_EQ(Entry(), 0);
  EXPECT_EQ(Frame(), 5);
  At(2, 8);
  player->NextEventCommand();  // nothing after 7: c's last frame
  EXPECT_EQ(Entry(), 2);
  EXPECT_EQ(Frame(), 9);
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(EventNavigationTest, AnEntryThatCannotBeOpenedDisablesTheTransport) {
  const std::string a = EventMovie("a.avi", 10, 1, {});
  const std::string gone = EventMovie("gone.avi", 10, 2, {4});
  PlayList({a, gone});
  At(0, 2);
  std::filesystem::remove(gone);
  player->NextEventCommand();
  EXPECT_EQ(view.messages, (std::vector<MessageKind>{MessageKind::NotFound}));
  for (C id : {C::sbPause, C::sbForward, C::sbNext, C::sbNextEvent, C::sbPrevEvent})
    EXPECT_FALSE(On(id)) << ControlName(id);
}

}  // namespace
}  // namespace klv::test
