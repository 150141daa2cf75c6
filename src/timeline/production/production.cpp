#include "timeline/production/production.h"

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
#include "timeline/show/show.h"

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

// Indexed as show::kLayers.
CLayer* const kLayerObjects[show::kLayerCount] = {&layer00, &layer01, &layer02, &layer03,
                                                  &layer04, &layer05, &layer06, &layer07,
                                                  &layer08, &layer09, &layer10};

}  // namespace

void FillProductionTimeline(std::vector<Scene>* sceneData) {
  for (const show::SceneRow& row : show::kScenes) {
    Scene scene;
    scene.endTime = row.endTime;
    scene.layerData.push_back(kLayerObjects[row.layer]);
    sceneData->push_back(scene);
  }
}
