// The program's version, one number for segsim, segsim-cli, the Python module and the package:
// project(segsim VERSION ...) in the top-level CMakeLists.txt.
#pragma once

namespace segsim {

// "1.0.0"
const char* Version();

}  // namespace segsim
