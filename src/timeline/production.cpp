#include "timeline/production.h"

#include "effects/layer00.h"
#include "effects/layer01.h"
#include "effects/layer02.h"
#include "effects/layer03.h"
#include "effects/layer04.h"
#include "effects/layer05.h"
#include "effects/layer06.h"
#include "effects/layer07.h"
#include "effects/layer08.h"
#include "effects/layer09.h"
#include "effects/layer10.h"

namespace {

// The eleven effect layers, constructed in this order before the program
// starts. A layer listed in two scenes is the same object in both.
CLayer00 layer00;
CLayer01 layer01;
CLayer02 layer02;
CLayer03 layer03;
CLayer04 layer04;
CLayer05 layer05;
CLayer06 layer06;
CLayer07 layer07;
CLayer08 layer08;
CLayer09 layer09;
CLayer10 layer10;

struct SceneEntry {
  float endTime;
  CLayer* layer;
};

// The scenes in play order with the demo time at which each ends. The last
// end time is never reached: the show ends at 193.9 s on the closing picture.
const SceneEntry kScenes[] = {
    {12.3f, &layer01},    // glowing keyframed opening
    {24.0f, &layer00},    // logo
    {41.0f, &layer02},    // keyframed scene with the flying object
    {82.0f, &layer04},    // tunnel
    {94.12f, &layer03},   // nested crab copies
    {105.64f, &layer05},  // particle stream
    {117.0f, &layer06},   // wide-angle echo
    {134.74f, &layer07},  // tumbling object over a picture
    {140.49f, &layer06},  // wide-angle echo again
    {157.97f, &layer09},  // game piece turning over a picture
    {181.25f, &layer08},  // keyframed scene with stepped glow
    {600.0f, &layer10},   // closing picture
};

}  // namespace

void FillProductionTimeline(std::vector<Scene>* sceneData) {
  for (const SceneEntry& entry : kScenes) {
    Scene scene;
    scene.endTime = entry.endTime;
    scene.layerData.push_back(entry.layer);
    sceneData->push_back(scene);
  }
}
