// The chapters of an exported video: one per scene of the show, named from
// the show's table.
#pragma once
#include <vector>

#include "platform/video_encoder.h"

// One chapter for every scene that begins before `length` seconds (the
// video's length), from the scene's start to the next one's; the last ends
// with the video.
std::vector<platform::VideoChapter> ShowChapters(double length);
