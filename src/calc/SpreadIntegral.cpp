#include "calc/SpreadIntegral.h"

#include <cmath>

namespace vesk {

bool CalcSpreadIntegral(float u_mast_ms, float /*mixingHeight_m*/, float cityRadius_m, float buildingHeight_m,
                        float *result) {
    if (!std::isfinite(u_mast_ms) || !std::isfinite(cityRadius_m) || !std::isfinite(buildingHeight_m) ||
        u_mast_ms <= 0.0f || buildingHeight_m <= 0.0f || cityRadius_m < 0.0f) {
        return false;
    }
    const float h = 0.5f * u_mast_ms;
    const float s = 0.1f * h + 0.02f;
    const double value =
        std::log(1.0 + static_cast<double>(s) * cityRadius_m / (static_cast<double>(h) * buildingHeight_m)) /
        static_cast<double>(s);
    if (!std::isfinite(value)) {
        return false;
    }
    if (result != nullptr) {
        *result = static_cast<float>(value);
    }
    return true;
}

} // namespace vesk
