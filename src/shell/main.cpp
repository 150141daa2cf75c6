// velmora: plays the production.
#include "platform/signals.h"
#include "shell/demo.h"
#include "timeline/production/production.h"

int main(int argc, char** argv) {
  // First of all, so that a Ctrl-C at any moment ends the run cleanly.
  platform::CatchInterrupts();
  return RunDemo(argc, argv, FillProductionTimeline);
}
