// The two fixed GL set-ups (3D perspective camera, 2D overlay), blending,
// clears, untextured 2D lines and rectangles, and two scalar helpers.
//
// None of them saves or restores state: each leaves OpenGL in the state its
// comment describes, and the effects rely on exactly that.
#pragma once
#include "shell/base/glapi.h"
#include "shell/base/vec3.h"

// The perspective aspect ratio, whatever the window size.
constexpr float kAspect = 1.3333f;

// 3D set-up: the camera lives in the projection matrix (gluPerspective with
// near 0.1, then gluLookAt); the model-view matrix is left at identity; depth
// test and culling on, lighting and blending off.
void SetPerspective(CVec3 eye, CVec3 centre, CVec3 up, float fov, float zFar);

// 2D set-up: 640 x 480 units, origin top left, y down. Depth test, culling,
// lighting, blending and both texture units' texturing and texgen off; texture
// unit 1 is left active.
void SetOrtho2D(bool smoothLines);

// For drawing over everything a layer may have left set: scissor, alpha,
// stencil test and fog off, every colour channel written, polygons filled.
void PlainFragmentState();

// Enables blending with the given factors.
void SetBlend(GLenum source, GLenum destination);

// Both clear the whole drawable, also between BeginPictureBand and
// EndPictureBand (the scissor test is on again afterwards).
void ClearDepthBuffer();
void ClearColorBuffer();

// Binds the 2D texture *id on the active unit, making one first when *id is
// 0, and gives it `filter` for shrinking and enlarging and `wrap` on both
// axes: the set-up of a texture the program fills itself.
void BindTextureSampling(GLuint* id, GLint filter, GLint wrap);

void DrawLine2D(const float p1[2], const float p2[2], const float colour[4]);
// (x1, y1) and (x2, y2) are opposite corners.
void DrawRect2D(float x1, float y1, float x2, float y2, const float colour[4]);

// (1 - t) a + t b, not clamped.
float Lerp(float a, float b, float t);
// from < t <= to
bool InTimeWindow(float t, float from, float to);
