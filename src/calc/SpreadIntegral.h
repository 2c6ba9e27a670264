#pragma once

namespace vesk {

// Spread integral of the city-type background: the factor the run multiplies
// with a city's emission values when it models a missing background.
//
//   h = 0.5 u,  s = 0.1 h + 0.02,  result = ln(1 + s R / (h Hb)) / s
//
// u_mast_ms: wind speed at the mast (m/s); cityRadius_m: radius of the city
// type; buildingHeight_m: its average building height. The mixing height
// plays no part in the formula. h and s are kept in single precision, the
// logarithm is taken in double precision and the result rounded to a float.
//
// Returns false and leaves *result untouched where the formula has no finite
// value (u <= 0 or Hb <= 0 divide by zero; R < 0 or an input that is not a
// finite number): the run then has no modelled background for the hour.
bool CalcSpreadIntegral(float u_mast_ms, float mixingHeight_m, float cityRadius_m, float buildingHeight_m,
                        float *result);

} // namespace vesk
