// Window measures: the layouts are stated in twips (1/1440 inch) and placed in pixels at the
// screen's logical resolution, so the windows keep their proportions on any screen.
#pragma once

#include <cmath>

namespace rq {

inline constexpr int kTwipsPerInch = 1440;

inline int TwipsToPixels(int twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

inline int PixelsToTwips(int pixels, double dpi) {
  return static_cast<int>(std::lround(pixels * static_cast<double>(kTwipsPerInch) / dpi));
}

}  // namespace rq
