#include "timeline/production.h"

// The effect layers are not part of the program yet: the list stays empty and
// the scene player reports it when it initialises.
void FillProductionTimeline(std::vector<Scene>* sceneData) { (void)sceneData; }
