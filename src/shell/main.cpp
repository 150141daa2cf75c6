// velmora: plays the production.
#include "shell/demo.h"
#include "timeline/production.h"

int main(int argc, char** argv) { return RunDemo(argc, argv, FillProductionTimeline); }
