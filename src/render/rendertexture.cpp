#include "render/rendertexture.h"

#include <cstddef>
#include <vector>

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "shell/base/glapi.h"

namespace {
bool ValidSide(unsigned int side) {
  return side == 64 || side == 128 || side == 256 || side == 512;
}
}  // namespace

CRenderTexture::~CRenderTexture() {
  DeleteTarget();
  if (id != 0) glDeleteTextures(1, &id);
}

void CRenderTexture::MakeTarget() {
  const FramebufferCalls& fb = glFramebuffers;
  if (!fb.Available()) return;
  // The small pass must see depth as the drawable's corner would.
  GLint depthBits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  GLint outer = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &outer);
  fb.genRenderbuffers(1, &targetDepth_);
  fb.bindRenderbuffer(GL_RENDERBUFFER, targetDepth_);
  fb.renderbufferStorage(
      GL_RENDERBUFFER, depthBits > 16 ? GL_DEPTH_COMPONENT24 : GL_DEPTH_COMPONENT16, width, height);
  fb.bindRenderbuffer(GL_RENDERBUFFER, 0);
  fb.genFramebuffers(1, &target_);
  fb.bindFramebuffer(GL_FRAMEBUFFER, target_);
  fb.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, id, 0);
  fb.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, targetDepth_);
  const bool complete = fb.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  fb.bindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(outer));
  // A driver that cannot draw into it keeps the copy.
  if (!complete) DeleteTarget();
}

void CRenderTexture::DeleteTarget() {
  if (target_ != 0) glFramebuffers.deleteFramebuffers(1, &target_);
  if (targetDepth_ != 0) glFramebuffers.deleteRenderbuffers(1, &targetDepth_);
  target_ = 0;
  targetDepth_ = 0;
}

void CRenderTexture::Create(unsigned int newWidth, unsigned int newHeight) {
  if (!ValidSide(newWidth) || !ValidSide(newHeight)) return;
  // A second creation (an effect initialised twice) replaces the texture;
  // nothing refers to the old one any more.
  DeleteTarget();
  if (id != 0) {
    glDeleteTextures(1, &id);
    id = 0;
  }
  width = static_cast<int>(newWidth);
  height = static_cast<int>(newHeight);
  const std::vector<uint8_t> zeros(static_cast<std::size_t>(width) * height * 3, 0);
  BindTextureSampling(&id, GL_LINEAR, GL_REPEAT);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, zeros.data());
  MakeTarget();
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  viewportWidth = viewport[2];
  viewportHeight = viewport[3];
}

// An object whose creation was refused has no texture: capturing and drawing
// it leave the GL state alone rather than collapse the viewport to 0 x 0.
void CRenderTexture::BeginCapture() {
  if (id == 0) return;
  // The picture's viewport may have changed since Create (a resized window):
  // the one current now is the one to come back to.
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  viewportX = viewport[0];
  viewportY = viewport[1];
  viewportWidth = viewport[2];
  viewportHeight = viewport[3];
  glViewport(0, 0, width, height);
  inTarget_ = target_ != 0 && !ReferenceDrawing();
  if (!inTarget_) return;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &outerFramebuffer_);
  glFramebuffers.bindFramebuffer(GL_FRAMEBUFFER, target_);
  ClearColorBuffer();
  ClearDepthBuffer();
}

void CRenderTexture::EndCapture() {
  if (id == 0) return;
  if (inTarget_) {
    inTarget_ = false;
    glFramebuffers.bindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(outerFramebuffer_));
    glViewport(viewportX, viewportY, viewportWidth, viewportHeight);
    return;
  }
  glBindTexture(GL_TEXTURE_2D, id);
  // Into the storage made by Create: redefining the texture every frame
  // would make the driver allocate it anew each time.
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
  glViewport(viewportX, viewportY, viewportWidth, viewportHeight);
}

void CRenderTexture::Bind() {
  SelectTextureUnit(GL_TEXTURE0_ARB);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, id);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void CRenderTexture::Unbind() {
  SelectTextureUnit(GL_TEXTURE0_ARB);
  glDisable(GL_TEXTURE_2D);
}

void DrawScreenQuad(float x1, float y1, float x2, float y2, const float colour[4]) {
  glColor4fv(colour);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 1);
  glVertex2f(x1, y1);
  glTexCoord2f(1, 1);
  glVertex2f(x2, y1);
  glTexCoord2f(1, 0);
  glVertex2f(x2, y2);
  glTexCoord2f(0, 0);
  glVertex2f(x1, y2);
  glEnd();
}
