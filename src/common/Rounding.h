#pragma once

#include <cmath>
#include <cstdint>

// Round to the nearest whole number, an exact half to the even neighbour
// (1.5 -> 2, 2.5 -> 2), as every figure on the window is rounded.
inline std::int64_t roundHalfEven(double value)
{
    return static_cast<std::int64_t>(std::nearbyint(value));
}
