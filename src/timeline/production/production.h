// The production's score: the scenes in play order, each with its end time
// and its effect layers.
#pragma once
#include <vector>

#include "timeline/sceneplayer.h"

void FillProductionTimeline(std::vector<Scene>* sceneData);
