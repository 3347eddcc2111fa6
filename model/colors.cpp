#include "model/colors.h"

#include "model/numeric.h"

namespace segsim {

namespace {

// Position a (0..1275) on the ramp as 0x00BBGGRR.
Color RampColor(std::int64_t a) {
  std::int64_t r = 0, g = 0, b = 0;
  if (a <= 255) {
    r = 255, g = a;
  } else if (a <= 510) {
    r = 510 - a, g = 255;
  } else if (a <= 765) {
    g = 255, b = a - 510;
  } else if (a <= 1020) {
    g = 1020 - a, b = 255;
  } else {
    r = a - 1020, b = 255;
  }
  return static_cast<Color>(r + 256 * g + 65536 * b);
}

}  // namespace

void MakeGroupColors(std::int32_t n, std::vector<Color>& colors) {
  colors.assign(n > 0 ? static_cast<std::size_t>(n) : 0, 0);
  if (n == 1) {
    // The ramp's step divides by n - 1; the only group takes the ramp's first colour.
    colors[0] = RampColor(0);
    return;
  }
  // The quotient in extended precision, stored as a double.
  const double step = static_cast<double>(Extended(1275) / (n - 1));
  for (std::int32_t i = 0; i < n; ++i) {
    colors[i] = RampColor(Round(static_cast<Extended>(i) * step));
  }
}

}  // namespace segsim
