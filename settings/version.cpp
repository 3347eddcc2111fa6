#include "settings/version.h"

#include "segsim_version.h"  // written by CMake from settings/segsim_version.h.in

namespace segsim {

const char* Version() { return kSegsimVersion; }

}  // namespace segsim
