// The JPEG decoder layer: pixel layout, variants, refusals. No GL needed.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>

#include "platform/jpeg.h"
#include "texture/fixtures.h"

using fixtures::Decode;
using fixtures::Encode;
using fixtures::Pattern;

TEST(JpegDecoder, ColourVariantsDecodeToPaddedTopFirstRgb) {
  struct Case {
    int width, height;
    content::JpegWriteOptions options;
  } cases[] = {{5, 3, {}},          {1, 9, {}},  {7, 4, {true, 0}}, {13, 11, {false, 2}},
               {17, 9, {true, 1}}, {33, 5, {}}};
  for (Case c : cases) {
    c.options.fullChroma = true;  // keep colours exact enough to see a one-pixel shift
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " progressive "
                                    << c.options.progressive << " restart "
                                    << c.options.restartInterval);
    const auto source = Pattern(c.width, c.height, 3);
    const auto d = Decode(Encode(c.width, c.height, 3, source, 100, c.options));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, c.width);
    EXPECT_EQ(d.height, c.height);
    EXPECT_EQ(d.stride % 4, 0u);
    EXPECT_LT(d.stride - 3 * size_t(d.width), 4u);
    EXPECT_LE(fixtures::MaxError(d.rgb, d.stride, source, d.width, d.height), 6);
    for (int y = 0; y < d.height; ++y) {
      for (size_t i = 3 * size_t(d.width); i < d.stride; ++i) EXPECT_EQ(d.rgb[y * d.stride + i], 0);
    }
  }
}

TEST(JpegDecoder, AdobeInkConvertsToRgbAndUnmarkedInkIsRefused) {
  // Ink stored inverted (255 = no ink): pure cyan, magenta, yellow, black, paper.
  const uint8_t cells[5][4] = {
      {0, 255, 255, 255}, {255, 0, 255, 255}, {255, 255, 0, 255}, {255, 255, 255, 0},
      {255, 255, 255, 255}};
  const int expected[5][3] = {{0, 255, 255}, {255, 0, 255}, {255, 255, 0}, {0, 0, 0}, {255, 255, 255}};
  std::vector<uint8_t> cmyk;
  for (int i = 0; i < 8 * 40; ++i) cmyk.insert(cmyk.end(), cells[i % 40 / 8], cells[i % 40 / 8] + 4);
  for (bool ycck : {false, true}) {
    content::JpegWriteOptions options;
    options.ycck = ycck;
    const auto d = Decode(Encode(40, 8, 4, cmyk, 100, options));
    ASSERT_TRUE(d.ok) << ycck;
    for (int cell = 0; cell < 5; ++cell) {
      const fixtures::Rgb p = d.At(cell * 8 + 4, 4);
      EXPECT_NEAR(p.r, expected[cell][0], 8) << cell << " ycck " << ycck;
      EXPECT_NEAR(p.g, expected[cell][1], 8) << cell << " ycck " << ycck;
      EXPECT_NEAR(p.b, expected[cell][2], 8) << cell << " ycck " << ycck;
    }
  }
  // Without Adobe's marker nothing says which way the ink is stored.
  content::JpegWriteOptions unmarked;
  unmarked.adobeMarker = false;
  EXPECT_FALSE(Decode(Encode(40, 8, 4, cmyk, 90, unmarked)).ok);
}

TEST(JpegDecoder, DamagedDataAndUnfittingBuffersFail) {
  const auto good = Encode(24, 16, 3, Pattern(24, 16, 3), 90);
  // Entropy-coded data overwritten with stuffed 0xFF bytes: an all-ones
  // Huffman code, which libjpeg would otherwise paper over with grey.
  auto corrupt = good;
  for (size_t i = corrupt.size() - 60; i + 2 < corrupt.size() - 10; i += 2) {
    corrupt[i] = 0xFF;
    corrupt[i + 1] = 0x00;
  }
  EXPECT_FALSE(Decode(corrupt).ok);
  EXPECT_FALSE(Decode({}).ok);
  EXPECT_FALSE(Decode({'n', 'o', 't', ' ', 'j', 'p', 'g'}).ok);

  // An output buffer that does not fit the picture is never written past.
  platform::JpegProperties jpeg;
  ASSERT_EQ(platform::JpegInit(&jpeg), 0);
  jpeg.jpgBytes = good.data();
  jpeg.jpgSize = good.size();
  std::vector<uint8_t> out(72 * 16);
  jpeg.dibWidth = 24;
  jpeg.dibHeight = 16;
  jpeg.dibBytes = out.data();
  jpeg.dibSize = out.size() - 1;  // one byte short
  EXPECT_NE(platform::JpegRead(&jpeg, platform::kJpegReadWholeImage), 0);
  jpeg.dibSize = out.size();
  jpeg.dibWidth = 23;
  EXPECT_NE(platform::JpegRead(&jpeg, platform::kJpegReadWholeImage), 0);
  jpeg.dibWidth = 24;
  EXPECT_EQ(platform::JpegRead(&jpeg, platform::kJpegReadWholeImage), 0) << jpeg.reason;
  EXPECT_EQ(platform::JpegFree(&jpeg), 0);
}

namespace {

struct JumpError {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

// A legal progressive greyscale file refining every coefficient bit by bit:
// 1 + 63 * 11 scans.
std::vector<uint8_t> ManyScanFile() {
  static jpeg_scan_info scans[1 + 63 * 11];
  int n = 0;
  scans[n++] = {1, {0}, 0, 0, 0, 0};
  for (int k = 1; k < 64; ++k) {
    scans[n++] = {1, {0}, k, k, 0, 10};
    for (int ah = 10; ah >= 1; --ah) scans[n++] = {1, {0}, k, k, ah, ah - 1};
  }
  jpeg_compress_struct cinfo;
  JumpError err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JumpError*>(c->err)->jump, 1); };
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const auto pixels = Pattern(16, 16, 1);
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    ADD_FAILURE() << "could not write the many-scan file";
    return {};
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = 16;
  cinfo.image_height = 16;
  cinfo.input_components = 1;
  cinfo.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&cinfo);
  cinfo.scan_info = scans;
  cinfo.num_scans = n;
  jpeg_start_compress(&cinfo, TRUE);
  for (int y = 0; y < 16; ++y) {
    JSAMPROW row = const_cast<JSAMPROW>(&pixels[y * 16]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

}  // namespace

TEST(JpegDecoder, FileWithHundredsOfScansIsRefused) {
  // Each scan costs a pass over the whole picture; a file made of many tiny
  // scans would otherwise keep the loader busy for minutes.
  const auto bytes = ManyScanFile();
  ASSERT_GT(bytes.size(), 1000u);
  EXPECT_FALSE(Decode(bytes).ok);
}
