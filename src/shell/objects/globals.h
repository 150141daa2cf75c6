// The program's long-lived objects, constructed before the entry point runs
// and destroyed after it returns (after the window and context are gone).
#pragma once
#include "shell/base/timer.h"
#include "shell/objects/font.h"
#include "shell/objects/glwindow.h"
#include "texture/texlib.h"
#include "timeline/sceneplayer.h"

extern CGLWindow glWindow;
extern CTimer demoTimer;  // seconds since the end of the set-up: decides the scene
extern CTimer fpsTimer;   // frame-rate counting only
extern CFont font;
extern CTexLib texLib;
extern CScenePlayer scenePlayer;
