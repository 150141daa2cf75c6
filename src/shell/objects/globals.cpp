#include "shell/objects/globals.h"

// Constructed in this order, destroyed in the reverse order. The effect
// layers live with the production's timeline; they hold no GL objects of the
// library's, so their place in the order does not matter to anyone.
CGLWindow glWindow;
CTimer demoTimer;
CTimer fpsTimer;
CFont font;
CTexLib texLib;
CScenePlayer scenePlayer;
