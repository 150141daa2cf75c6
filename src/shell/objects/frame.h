// The picture of one frame of the show, drawn the same way by every runner:
// the live show, offscreen runs and exports, the benchmark.
#pragma once

// Sets the window's clear colour for the next frame to the shell's white,
// renders the current scene's layers at demo time `t` (the scene player may
// move on to the next scene) and paints the letterbox bars over the picture
// above and below the band. Returns the scene time the layers were drawn at.
float DrawShowPicture(float t);
