#include "render/image2d.h"

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "shell/base/glapi.h"
#include "texture/texlib.h"
#include "timeline/show/show.h"

Result CImage2D::Load(const std::string& fileName, CTexLib* pTexLib) {
  if (pTexLib == nullptr) return Result(1, "CImage2D::Load() : no texture library!");
  Result added = pTexLib->Add(fileName, &id);
  if (added.code != 0) return Result(1, "CImage2D::Load() : " + added.message);
  pTexLib->GetSize(id, &width, &height);
  levels_.Make(id);
  return Result(0, "CImage2D::Load() : ok!");
}

void CImage2D::Draw(float x, float y, float w, float h, const float colour[4]) const {
  // Binding the "no texture" value would create a stray texture object of
  // that name and draw an untextured quad.
  if (id == kNoTexture) return;
  SelectTextureUnit(GL_TEXTURE0_ARB);
  glEnable(GL_TEXTURE_2D);
  int level = -1;
  if (!ReferenceDrawing() && levels_.count > 0) {
    const float origin[3] = {x, y, 0.0f};
    const float edgeS[3] = {w, 0.0f, 0.0f};
    const float edgeT[3] = {0.0f, h, 0.0f};
    ScreenTransform to;
    to.Read();
    level = levels_.LevelFor(to, origin, edgeS, edgeT);
  }
  glBindTexture(GL_TEXTURE_2D, level >= 0 ? levels_.ids[level] : id);
  glColor4fv(colour);
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(x, y);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2f(x + w, y);
  glTexCoord2f(1.0f, 1.0f);
  glVertex2f(x + w, y + h);
  glTexCoord2f(0.0f, 1.0f);
  glVertex2f(x, y + h);
  glEnd();
  glDisable(GL_TEXTURE_2D);
}

void DrawBackdrop(const CImage2D& picture, bool behind) {
  static const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  SetOrtho2D(false);
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  if (behind) BeginBehind();
  picture.Draw(0.0f, show::kBandTop, 640.0f, 400.0f, kWhite);
  if (behind) EndBehind();
}
