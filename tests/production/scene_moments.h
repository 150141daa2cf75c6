// The moments at which the tests look at every scene of the production: three
// per scene, just after it starts, inside, and near its end (the echo scenes
// also at their strongest and weakest pulse). Runs at 4 frames a second take
// the first frame at or after each, a frame of the scene named beside it.
#pragma once
#include <string>
#include <vector>

namespace scenemoments {

// Frames a second of the runs that shoot the moments: the scene clocks start
// on this rate's frames, so pictures are of runs at this rate.
constexpr int kFps = 4;

inline const std::vector<std::string> kTimes = {
    "0.5",   "6.2",   "12",      // glow opening
    "13",    "17",    "23.5",    // logo
    "25",    "33",    "40.5",    // flying object
    "42",    "60",    "81",      // tunnel
    "83",    "88",    "94",      // crabs
    "95",    "100",   "105.4",   // particles
    "106",   "110.2", "116",     // wide-angle echo
    "118",   "126",   "134.5",   // tumbling object
    "135",   "137.2", "140.2",   // echo again
    "141",   "150",   "157.75",  // game piece
    "158.5", "170",   "181",     // stepped glow
    "182",   "188",   "193.5",   // closing picture
};

}  // namespace scenemoments
