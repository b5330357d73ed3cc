#pragma once
// A fresh player on a fake view, with camera movies from the sample writer in
// a private folder and creation times the test chooses.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "engine/player.h"
#include "engine/stream_source.h"
#include "fake_view.h"
#include "support/movie_builder.h"

namespace klv::test {

// The .m4v stream on show.
inline StreamSource& StreamOf(Player& p) { return *dynamic_cast<StreamSource*>(p.Source()); }

class PlayerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("klv_engine_") + info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    player = std::make_unique<Player>(&view);
    view.player = player.get();
    player->clock = [this] { return now; };
    player->recordingTime = [this](const std::string& path, int64_t* out) {
      auto it = created.find(path);
      if (it == created.end()) return false;
      *out = it->second;
      return true;
    };
    player->Initialize();
  }
  void TearDown() override {
    player.reset();
    std::filesystem::remove_all(dir_);
  }

  // Writes a small camera movie; `created` orders it in the play list.
  std::string Movie(const std::string& name, int frames, int64_t createdAt = 0,
                    sample::MovieSpec plan = Small()) {
    plan.frames = frames;
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(sample::WriteCameraAvi(path, plan)) << path;
    created[path] = createdAt;
    return path;
  }
  static sample::MovieSpec Small() {
    sample::MovieSpec plan;
    plan.width = 64;
    plan.height = 48;
    plan.scale = 5;
    plan.rate = 50;  // 10 frames a second
    return plan;
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // A list of movies playing from the first, at a fixed step.
  void PlayList(const std::vector<std::string>& paths) { player->StartWithFiles(paths); }

  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) player->TimerTick();
  }
  int Frame() const { return player->CurrentFrame(); }
  int Entry() const { return player->state.playListIndex; }
  bool On(ControlId id) const {
    EXPECT_EQ(player->Enabled(id), view.Enabled(id)) << ControlName(id);
    return view.Enabled(id);
  }

  FakeView view;
  std::unique_ptr<Player> player;
  std::map<std::string, int64_t> created;
  int64_t now = 1000;
  std::filesystem::path dir_;
};

}  // namespace klv::test
