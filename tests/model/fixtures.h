// Scenes, textures and raw chunks for the model tests.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>

#include "content/scene_builder.h"

namespace modeltest {

// Raw 3DS pieces, for files the scene builder would refuse to write.
std::string U16(uint16_t value);
std::string U32(uint32_t value);
std::string Floats(std::initializer_list<float> values);
std::string Name(const std::string& name);  // with its terminating zero
std::string Chunk(uint16_t id, const std::string& body);
// A file: version, the scene data and (when not empty) a keyframer section.
std::string File(const std::string& mdata, const std::string& keyframer = "");
// A named triangle mesh with `points` points on the x axis and the faces given.
std::string TriMesh(const std::string& name, uint16_t points,
                    std::initializer_list<uint16_t> faceIndices);
// An object node; a negative id or parent leaves out the id or header chunk.
std::string ObjectNode(const std::string& name, int id, int parent);

// A flat-coloured 8 x 8 JPEG at `path`.
void WriteTexture(const std::string& path, uint8_t r, uint8_t g, uint8_t b);
// Saves the scene; fails the calling test when the builder refuses.
void Save(const content::SceneBuilder& scene, const std::string& path);
std::string ReadBytes(const std::string& path);

// Materials MAPPED (red.jpg), SHINY (reflection green.jpg), BOTH (red.jpg
// with green.jpg as reflection), all white, and PLAIN (blue, no maps).
void AddMaterials(content::SceneBuilder* scene);

// The scene most tests share: textured, untextured and hierarchical objects
// (h_child below a dummy, i_child below a_map),
// two lights, two cameras with targets and keyframed nodes.
content::SceneBuilder RichScene();

}  // namespace modeltest
