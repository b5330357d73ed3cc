// Frames from our own sample writer: pictures, the camera's segments and the
// table packings it can write.

#include <gtest/gtest.h>

#include <vector>

#include "jpeg/jpeg_test_support.h"
#include "media/jpeg/jpeg_decoder.h"
#include "support/jpeg_encoder.h"

namespace klv {
namespace {

sample::RgbImage SceneImage(int w, int h) {
  const std::vector<uint8_t> bgr = jpegtest::MakeScene(w, h, 5);
  sample::RgbImage img(w, h);
  for (size_t i = 0; i < bgr.size(); i += 3) {
    img.rgb[i] = bgr[i + 2];
    img.rgb[i + 1] = bgr[i + 1];
    img.rgb[i + 2] = bgr[i];
  }
  return img;
}

TEST(JpegSampleWriter, DecodesLikeTurbo) {
  const int w = 632, h = 472;
  const sample::RgbImage img = SceneImage(w, h);
  sample::JpegOptions opt;
  opt.quality = 80;
  opt.cameraRecord = sample::CameraRecordBytes{};
  opt.timeStamp = 123456;
  opt.eventByte = 0x81;
  const std::vector<uint8_t> jpg = sample::EncodeJpeg(img, opt);
  JpegDecoder d;
  ASSERT_TRUE(d.AllocatePlanes(w, h));
  FramePicture pic;
  ASSERT_TRUE(pic.Create(w, h));
  ASSERT_TRUE(d.DecodeFrame(jpg.data(), jpg.size(), pic, 0).Ok());
  EXPECT_TRUE(d.RecordPresent());
  EXPECT_EQ(d.TimeStamp().Value(), 123456u);
  const std::vector<uint8_t> theirs = jpegtest::TurboDecode(jpg, w, h, TJFLAG_FASTUPSAMPLE);
  ASSERT_FALSE(theirs.empty());
  const double psnr = jpegtest::Psnr(pic.Bits(), static_cast<size_t>(pic.Stride()), theirs.data(),
                                     static_cast<size_t>(w) * 3, w, h);
  std::printf("sample writer 632x472 q80: ours vs turbo %.2f dB\n", psnr);
  EXPECT_GE(psnr, 35.0);
}

TEST(JpegSampleWriter, CombinedSegmentsLoadOnlyTheirFirstTable) {
  const sample::RgbImage img = SceneImage(64, 48);
  sample::JpegOptions opt;
  opt.dqt = sample::TablePacking::Combined;  // luma then chroma in one segment
  const std::vector<uint8_t> jpg = sample::EncodeJpeg(img, opt);
  JpegDecoder d;
  ASSERT_TRUE(d.AllocatePlanes(64, 48));
  FramePicture pic;
  ASSERT_TRUE(pic.Create(64, 48));
  ASSERT_TRUE(d.DecodeFrame(jpg.data(), jpg.size(), pic, 0).Ok());
  EXPECT_NE(d.Quant().dcQuant[0], 0);
  EXPECT_EQ(d.Quant().dcQuant[1], 0);  // never loaded: chroma decodes flat
  for (int i = 0; i < (64 / 2) * (48 / 2); ++i) ASSERT_EQ(d.PlaneCb()[i], 0);
}

}  // namespace
}  // namespace klv
