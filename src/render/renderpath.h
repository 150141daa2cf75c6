// One process-wide choice between two ways of drawing the same pictures: the
// fast drawing (the default), which folds stacked full-screen copies into
// multitexture passes, skips copies too faint to change a pixel and leaves out
// pixels that the letterbox bars cover anyway, and the straightforward
// drawing, one GL call sequence per copy as the effects are written down.
// The tests render both and compare; the shell sets the choice at start-up.
#pragma once

// True while the straightforward drawing is selected.
bool ReferenceDrawing();
void SetReferenceDrawing(bool on);

// Only the band between the letterbox bars (overlay y 80 to 400) is seen: the
// frame driver paints the bars opaque black over everything the layers drew.
// With the fast drawing, BeginPictureBand limits drawing (not the clears of
// ClearColorBuffer and ClearDepthBuffer) to that band of the current viewport
// (a pixel row more on each side) with the scissor test; EndPictureBand turns
// the test off again. Neither does anything with the straightforward drawing.
// A capture (CRenderTexture) must not lie between the two: its corner of the
// frame reaches under the bars.
void BeginPictureBand();
void EndPictureBand();

// Drawing behind what is there: between BeginBehind and EndBehind fragments
// land only on pixels that nothing has written depth to since the depth
// buffer was cleared (every fragment lies on the far plane, is tested with
// GL_LEQUAL and writes no depth). An opaque picture drawn this way after an
// opaque scene drawn with depth writes leaves the pixels that drawing the
// picture first and the scene over it leaves, but the software renderer
// shades only the pixels the scene left uncovered. EndBehind turns the depth
// test off and brings back GL_LESS, depth writes and the full depth range.
void BeginBehind();
void EndBehind();
