// Where the picture goes in a drawable of any size: the show is composed for
// a 4:3 frame, so it is drawn at the largest 4:3 rectangle that fits, centred,
// with pure black around it.
#pragma once

// A rectangle of pixels in GL's window coordinates (origin lower left).
struct PictureRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The largest 4:3 rectangle inside a drawable of drawableWidth x drawableHeight
// pixels, centred (an odd leftover pixel goes to the right or top bar).
PictureRect FitPicture(int drawableWidth, int drawableHeight);

// Makes `picture` the viewport every set-up draws into.
void UsePictureViewport(const PictureRect& picture);

// Paints everything of the drawable outside `picture` black, whatever the
// effects left there (they may draw small copies into the lower-left corner of
// the whole drawable). Leaves the scissor test off and the clear colour black.
void BlackenOutside(const PictureRect& picture, int drawableWidth, int drawableHeight);
