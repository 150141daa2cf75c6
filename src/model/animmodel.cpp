#include "model/animmodel.h"

#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include "model/mesh3ds.h"
#include "model/validate3ds.h"
#include "platform/failure_note.h"
#include "render/glhelpers.h"
#include "shell/base/glapi.h"
#include "timeline/show/show.h"

CAnimModel::~CAnimModel() { Release(); }

void CAnimModel::Release() {
  // The mesh and the camera point into the file.
  delete mesh;
  mesh = nullptr;
  camera = nullptr;
  if (file != nullptr) lib3ds_file_free(file);
  file = nullptr;
  loaded_ = false;
}

Result CAnimModel::Load3DS(const std::string& name, CTexLib* pTexLib) {
  Release();
  file = model::Load3DSChecked(show::kSceneFolder + name);
  if (file == nullptr) return Result(2, "CAnimModel::Load3DS() : error!");
  mesh = new C3DSMesh();
  Result built = mesh->Create(file, pTexLib, false);
  if (built.code != 0) {
    // A texture that failed has noted itself already; this notes the rest.
    platform::NoteLoadFailure("scene", show::kSceneFolder + name,
                              "its objects could not be built (" + built.message + ")");
    return Result(1, "CAnimModel::Load3DS() :" + built.message);
  }
  loaded_ = true;
  return Result(0, "CAnimModel::Load3DS() : ok!");
}

Result CAnimModel::SetCamera(uint16_t index) {
  if (file == nullptr || file->cameras == nullptr)
    return Result(1, "CAnimModel::SetCamera() : no camera!");
  Lib3dsCamera* chosen = file->cameras;
  for (uint16_t i = 0; i < index && chosen->next != nullptr; ++i) chosen = chosen->next;
  camera = chosen;
  zFar = chosen->far_range;
  return Result(0, "CAnimModel::SetCamera() : ok!");
}

uint32_t CAnimModel::GetFrames() const { return file != nullptr ? uint32_t(file->frames) : 0u; }

void CAnimModel::Render(float frame) {
  if (!loaded_ || camera == nullptr) return;
  Lib3dsNode* cameraNode = lib3ds_file_node_by_name(file, camera->name, LIB3DS_CAMERA_NODE);
  Lib3dsNode* targetNode = lib3ds_file_node_by_name(file, camera->name, LIB3DS_TARGET_NODE);
  if (cameraNode == nullptr || targetNode == nullptr) return;

  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glDisable(GL_BLEND);

  lib3ds_file_eval(file, frame);

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(cameraNode->data.camera.fov, kAspect, zNear, zFar);

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  Lib3dsMatrix view;
  lib3ds_matrix_identity(view);
  lib3ds_matrix_camera(view, cameraNode->data.camera.pos, targetNode->data.target.pos,
                       cameraNode->data.camera.roll);

  // Still at identity: the lights stay fixed relative to the viewer.
  mesh->SetLights();

  glPushMatrix();
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  for (uint32_t i = 0; i < mesh->objects.size(); ++i) {
    const MeshObject& object = mesh->objects[i];
    glLoadIdentity();
    glRotatef(90.0f, -1.0f, 0.0f, 0.0f);
    glMultMatrixf(&view[0][0]);
    glMultMatrixf(&object.node->matrix[0][0]);
    const float* pivot = object.node->data.object.pivot;
    glTranslatef(-pivot[0], -pivot[1], -pivot[2]);
    // The points are stored in world space: undo the mesh's own matrix.
    Lib3dsMatrix inverse;
    lib3ds_matrix_copy(inverse, object.mesh->matrix);
    lib3ds_matrix_inv(inverse);
    glMultMatrixf(&inverse[0][0]);
    mesh->RenderObject(i);
  }
  glPopMatrix();
}
