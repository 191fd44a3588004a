#include "common/GreatCircle.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/Angle.h"

double GreatCircleNm(int32_t latitude1, int32_t longitude1, int32_t latitude2, int32_t longitude2) {
    const double lat1 = CircleToRadians(latitude1);
    const double lat2 = CircleToRadians(latitude2);
    const double dlon = CircleToRadians(longitude2) - CircleToRadians(longitude1);
    // Rounding can carry the cosine a hair beyond 1 for close points; acos would give NaN.
    const double cosine = std::sin(lat1) * std::sin(lat2) + std::cos(lat1) * std::cos(lat2) * std::cos(dlon);
    return std::acos(std::clamp(cosine, -1.0, 1.0)) * 10800.0 / std::numbers::pi;
}
