// The per-group colour ramp.
#pragma once

#include <cstdint>
#include <vector>

#include "model/canvas.h"

namespace segsim {

// Resizes colors to n entries along the ramp red, yellow, green, cyan, blue, magenta: group 1 is
// red (0x0000FF), group n magenta (0xFF00FF). A single group is red.
void MakeGroupColors(std::int32_t n, std::vector<Color>& colors);

}  // namespace segsim
