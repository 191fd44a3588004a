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

int32_t GreatCircleDistBearing(int32_t latitude1, int32_t longitude1, int32_t latitude2, int32_t longitude2,
                               int32_t* bearing) {
    constexpr double kRadiansPerDegree = 0.017453292519444445;
    const double lat1 = CircleToDegrees(latitude1) * kRadiansPerDegree;
    const double lon1 = CircleToDegrees(longitude1) * kRadiansPerDegree;
    const double lat2 = CircleToDegrees(latitude2) * kRadiansPerDegree;
    const double lon2 = CircleToDegrees(longitude2) * kRadiansPerDegree;
    // Rounding may carry either arccosine's argument past +-1 (due-north legs); clamp both.
    const double c = std::acos(std::clamp(
        std::cos(lat2) * std::cos(lat1) * std::cos(lon1 - lon2) + std::sin(lat1) * std::sin(lat2), -1.0, 1.0));
    double beta = 0;
    const double denominator = std::sin(c) * std::cos(lat1);
    if (denominator != 0) {
        beta = std::acos(std::clamp((std::sin(lat2) - std::cos(c) * std::sin(lat1)) / denominator, -1.0, 1.0));
        if (std::sin(lon2 - lon1) < 0) beta = 6.283185307 - beta;
    }
    *bearing = static_cast<int32_t>(beta * 57.29577951471995 + 0.501);
    return static_cast<int32_t>(c * 20901500.36696984);
}

int32_t FeetToNm(int32_t feet) { return feet / 6080 + (feet % 6080 > 3040 ? 1 : 0); }
