// How an export frames the show's picture when its frame is not 4:3.
//
// The show's 4:3 picture carries its own black bands above and below a 2:1
// band of picture. By default a wider frame shows the whole 4:3 picture,
// centred, with black at its sides (so the band is boxed on all four sides).
// Filled (--fill), the 4:3 picture is drawn as wide as the frame allows
// without cutting into the 2:1 band and cropped above and below: a 16:9
// frame is then filled from side to side, only the show's own bands' inner
// edges remaining above and below.
#pragma once

// The height of the 4:3 drawable a filled export of width x height draws
// into (the frame is its middle rows): the picture of width min(width,
// 2 * height), never less than the frame's own height (frames as tall as 4:3
// or taller are drawn as by default).
int FilledDrawableHeight(int width, int height);
