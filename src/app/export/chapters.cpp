#include "app/export/chapters.h"

#include "timeline/show/show.h"

std::vector<platform::VideoChapter> ShowChapters(double length) {
  std::vector<platform::VideoChapter> chapters;
  for (size_t i = 0; i < show::kScenes.size(); ++i) {
    const double start = show::SceneStart(i);
    if (start >= length) break;
    platform::VideoChapter chapter;
    chapter.start = start;
    chapter.end = i + 1 < show::kScenes.size() ? show::kScenes[i].endTime : length;
    if (chapter.end > length) chapter.end = length;
    chapter.title = show::kScenes[i].name;
    chapters.push_back(chapter);
  }
  return chapters;
}
