// The versions of the libraries the program runs on, for --version.
#pragma once
#include <string>
#include <vector>

namespace platform {

// One line each: SDL (linked, and the version compiled against), libopenmpt,
// libjpeg-turbo.
std::vector<std::string> LibraryVersionLines();

// "GL renderer: <renderer>, OpenGL <version>", read from an invisible
// offscreen context made for the purpose (and closed again); the reason
// instead when no context could be made.
std::string GLRendererLine();

}  // namespace platform
