// Finding the sound handed to a device in what it recorded: silence may
// stand in front, behind and where the device ran out, but a sample lost,
// changed or moved is never taken for the sound.
#include <gtest/gtest.h>

#include "support/pcm_compare.h"

namespace klv::sample {
namespace {

constexpr size_t kPiece = 8;

std::vector<int16_t> Sound(size_t n) {
  std::vector<int16_t> s(n);
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<int16_t>(100 + i);
  s[5] = 0;  // sound has its own silent samples
  return s;
}

TEST(FindSoundInSilence, SilenceInFrontBehindAndWhereTheDeviceRanOut) {
  const std::vector<int16_t> sound = Sound(20);
  // Two pieces of silence, sound[0..11) (ends 3 into a piece), the rest of
  // that piece and one more silent, sound[11..20), silence to the end.
  std::vector<int16_t> rec(16, 0);
  rec.insert(rec.end(), sound.begin(), sound.begin() + 11);
  rec.insert(rec.end(), 5 + kPiece, 0);
  rec.insert(rec.end(), sound.begin() + 11, sound.end());
  rec.insert(rec.end(), 7, 0);
  const std::optional<SoundInSilence> found = FindSoundInSilence(rec, sound, kPiece);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->lead, 16u);
  ASSERT_EQ(found->gaps.size(), 1u);
  EXPECT_EQ(found->gaps[0], std::make_pair(size_t{27}, size_t{13}));
  EXPECT_EQ(found->SilenceBefore(30), 16u + 3u);
  EXPECT_EQ(found->SilenceBefore(rec.size()), 29u) << "the silence behind is no gap";

  // Without gaps, and the plain file: sound only.
  EXPECT_EQ(FindSoundInSilence(sound, sound, kPiece)->gaps.size(), 0u);
}

TEST(FindSoundInSilence, ALostChangedOrCutSampleIsNotTheSound) {
  const std::vector<int16_t> sound = Sound(20);
  std::vector<int16_t> rec(8, 0);
  rec.insert(rec.end(), sound.begin(), sound.end());
  rec.insert(rec.end(), 4, 0);
  ASSERT_TRUE(FindSoundInSilence(rec, sound, kPiece).has_value());

  std::vector<int16_t> lost = rec;
  lost.erase(lost.begin() + 14);
  EXPECT_FALSE(FindSoundInSilence(lost, sound, kPiece).has_value());
  std::vector<int16_t> changed = rec;
  changed[20] += 1;
  EXPECT_FALSE(FindSoundInSilence(changed, sound, kPiece).has_value());
  std::vector<int16_t> cut(rec.begin(), rec.begin() + 25);
  EXPECT_FALSE(FindSoundInSilence(cut, sound, kPiece).has_value());
  // Silence in the middle of a piece with sound after it in the same piece:
  // no device plays that.
  std::vector<int16_t> hole = rec;
  hole.insert(hole.begin() + 12, 2, 0);
  EXPECT_FALSE(FindSoundInSilence(hole, sound, kPiece).has_value());
  std::vector<int16_t> noise = rec;
  noise.back() = 3;
  EXPECT_FALSE(FindSoundInSilence(noise, sound, kPiece).has_value());
}

}  // namespace
}  // namespace klv::sample
