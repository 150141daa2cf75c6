#include "app/export/chapters.h"

#include <gtest/gtest.h>

#include <string>

#include "app/export/framing.h"
#include "timeline/show/show.h"

namespace {

// The whole show: a chapter per scene of the table, each from its start to
// the next one's, named as in the table, the last ending with the video. A
// video of 30 s holds the first three scenes, the third cut at 30 s.
TEST(ChaptersTest, OnePerSceneFromTheShowsTableCutAtTheVideosEnd) {
  const auto whole = ShowChapters(show::kEnd);
  ASSERT_EQ(whole.size(), show::kScenes.size());
  for (size_t i = 0; i < whole.size(); ++i) {
    EXPECT_DOUBLE_EQ(whole[i].start, show::SceneStart(i)) << i;
    EXPECT_EQ(whole[i].title, show::kScenes[i].name) << i;
    if (i > 0) {
      EXPECT_DOUBLE_EQ(whole[i - 1].end, whole[i].start) << i;
    }
  }
  EXPECT_DOUBLE_EQ(whole.back().end, show::kEnd);

  const auto part = ShowChapters(30.0);
  ASSERT_EQ(part.size(), 3u);
  EXPECT_DOUBLE_EQ(part[2].end, 30.0);
  // A video that ends exactly where a scene starts has no empty chapter.
  EXPECT_EQ(ShowChapters(show::SceneStart(1)).size(), 1u);
}

// The ffmetadata text: a header, then one section per chapter in
// milliseconds, with the format's reserved characters escaped in titles.
TEST(ChaptersTest, MetadataTextInMillisecondsWithTitlesEscaped) {
  const std::vector<platform::VideoChapter> chapters = {{0.0, 12.3f, "Opening glow"},
                                                        {12.3f, 24.0, "a=b;c#d\\e"}};
  EXPECT_EQ(platform::FFMetadataText(chapters),
            ";FFMETADATA1\n"
            "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=12300\ntitle=Opening glow\n"
            "[CHAPTER]\nTIMEBASE=1/1000\nSTART=12300\nEND=24000\ntitle=a\\=b\\;c\\#d\\\\e\n");
}

// A filled export draws a 4:3 picture as wide as the frame (up to twice the
// frame's height, where the show's 2:1 band fills the frame's height) and
// keeps its middle rows; 4:3 and taller frames are drawn as they are.
TEST(ChaptersTest, FilledExportsDrawATaller43Picture) {
  EXPECT_EQ(FilledDrawableHeight(1920, 1080), 1440);
  EXPECT_EQ(FilledDrawableHeight(1280, 720), 960);
  EXPECT_EQ(FilledDrawableHeight(854, 480), 641);  // 640.5 rounded as the viewport rounds
  EXPECT_EQ(FilledDrawableHeight(2560, 1080), 1620);
  EXPECT_EQ(FilledDrawableHeight(800, 600), 600);
  EXPECT_EQ(FilledDrawableHeight(640, 800), 800);
}

}  // namespace
