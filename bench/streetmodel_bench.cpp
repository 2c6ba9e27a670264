// Prints the time of the street model chain with chemistry per street-hour,
// and per Special Mode case, plus the typical street's values for reference.

#include "platform/streetmodel/StreetModel.h"
#include "run/SpecialMode.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>

using namespace vesk;

namespace {

struct Street {
    std::array<float, 7> P{};
    std::array<float, 12> start{0, 90}, end{30, 120}, value{10, 25}, A{}, B{};
    std::array<std::int16_t, 4> flags{};
    float H = 20, W = 20, L1 = 100, L2 = 100, recHeight = 2;
    std::int16_t sectors = 2;
};

volatile float g_sink = 0;

// One hour: turbulence, flow, spread, averaged c_st, chemistry for the
// background and both sides.
void streetHour(const Street &s, float uMast, float windDir, bool averaging) {
    float sWTpt = 0, uRoof = 0, F = 0, deltaFi = 0, sWRoof = 0, c1 = 0, c2 = 0;
    CarTurb(50, 40, 1400, 100, s.P[5], s.P[6], s.W, sWTpt);
    Flow_par(uMast, uRoof, F);
    const float shape = 3.0f - uMast / (uMast + 5.0f);
    Calc_Delta_Fi(uRoof, deltaFi);
    if (averaging) {
        Averaging(uRoof, windDir, deltaFi, s.P[0], s.sectors, s.A, s.B, s.value, sWTpt, sWRoof, s.H, s.W,
                  shape, s.L1, s.L2, F, s.P[3], s.P[4], 1, 1, c1, c2, s.recHeight, s.flags);
    } else {
        Calc_C_st(uRoof, windDir, sWTpt, sWRoof, s.H, s.W, shape, s.L1, s.L2, F, s.P[3], s.P[4], 1, 1,
                  s.sectors, s.A, s.B, s.value, c1, c2, s.recHeight, s.flags);
    }
    const float tau = s.H / sWRoof;
    const float q = 1500 * 0.5f / 3.6f * 0.53f; // ppb m/s
    float no2b = 0, o3b = 0, no2 = 0, o3 = 0;
    NO2NOX(15, 40, 10, 25, no2b, o3b, 0.05f, 400, 288, 300);
    NO2NOX(25, o3b, no2b, 25 + c1 * q, no2, o3, 0.05f, 400, 288, tau);
    g_sink = g_sink + no2;
    NO2NOX(25, o3b, no2b, 25 + c2 * q, no2, o3, 0.05f, 400, 288, tau);
    g_sink = g_sink + no2 + c1 + c2;
}

void specialModeCase(const Street &s, float u, float windDir) {
    float uRoof = 0, F = 0, deltaFi = 0, sWRoof = 0, c1 = 0, c2 = 0, no2 = 0, o3 = 0;
    Flow_par(u, uRoof, F);
    Calc_Delta_Fi(uRoof, deltaFi);
    Averaging(uRoof, windDir, deltaFi, s.P[0], s.sectors, s.A, s.B, s.value, 0.5f, sWRoof, s.H, s.W,
              3.0f - u / (u + 5.0f), s.L1, s.L2, F, s.P[3], s.P[4], 1, 1, c1, c2, s.recHeight, s.flags);
    const float tau = s.H / sWRoof;
    NO2NOX(20, 40, 12, 20 + 294.44f * c1, no2, o3, 0.05f, 400, 288, tau);
    g_sink = g_sink + no2;
    NO2NOX(20, 40, 12, 20 + 294.44f * c2, no2, o3, 0.05f, 400, 288, tau);
    g_sink = g_sink + no2;
}

template <class F> double nanosecondsPer(long n, F f) {
    const auto t0 = std::chrono::steady_clock::now();
    for (long i = 0; i < n; ++i) {
        f(i);
    }
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(t1 - t0).count() / n;
}

} // namespace

int main() {
    Street s;
    ModPar(s.H, s.P);
    RotStreet(0, s.start, s.end, s.value, s.A, s.B, s.sectors, s.flags);

    const long hours = 8760 * 20;
    const double averaged = nanosecondsPer(hours, [&](long i) {
        streetHour(s, 0.5f + (i % 97) * 0.15f, static_cast<float>((i * 37) % 360), true);
    });
    const double direct = nanosecondsPer(hours, [&](long i) {
        streetHour(s, 0.5f + (i % 97) * 0.15f, static_cast<float>((i * 37) % 360), false);
    });
    const double sm = nanosecondsPer(
        hours, [&](long i) { specialModeCase(s, 1.0f + (i % 8), static_cast<float>((i * 10) % 360)); });
    std::printf("street model chain with chemistry, direction averaging on:  %8.3f us per street-hour\n",
                averaged / 1000);
    std::printf("street model chain with chemistry, direction averaging off: %8.3f us per street-hour\n",
                direct / 1000);
    std::printf("special mode case (model and chemistry of both sides):       %8.3f us per case\n",
                sm / 1000);
    // The whole Special Mode run, files included: 8 speeds x 360 directions.
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "winvesk_streetmodel_bench";
    std::filesystem::create_directories(dir);
    State state;
    state.WorkDir = dir.string() + "/";
    state.StreetHeight = state.StreetWidth = 20;
    state.StreetLength_1 = state.StreetLength_2 = 100;
    state.Receptor1 = state.Receptor2 = 1;
    state.RecHeight = 2;
    state.TrafficLight = 1400;
    state.TrafficHeavy = 100;
    state.EmFactorLight = 0.4;
    state.EmFactorHeavy = 5;
    state.SpeedLight = 50;
    state.SpeedHeavy = 40;
    state.BackgroundNOx = 20;
    state.BackgroundO3 = 40;
    state.BackgroundNO2 = 12;
    state.AirTemperature = 15;
    state.GlobalRadiation = 400;
    state.WindSpeedCount = 8;
    for (int i = 1; i <= 8; ++i) {
        state.WindSpeeds[i] = i;
    }
    state.WindDirStart = 0;
    state.WindDirEnd = 360;
    state.WindDirStep = 1;
    state.CalcNO2 = 1;
    BatchInteraction ui;
    RunControl control;
    const auto t0 = std::chrono::steady_clock::now();
    const SpecialModeOutcome outcome = RunSpecialMode(state, ui, control);
    const auto t1 = std::chrono::steady_clock::now();
    const double perCase = std::chrono::duration<double, std::micro>(t1 - t0).count() / (8 * 360);
    std::printf("special mode run, 2,880 cases with its five files:          %8.3f us per case%s\n", perCase,
                outcome == SpecialModeOutcome::Completed ? "" : " (run did not complete)");
    std::filesystem::remove_all(dir);
    std::printf("one street-year (8,760 hours), averaging on:                 %8.3f ms\n",
                averaged * 8760 / 1e6);

    // Reference values of the typical street: 20 m x 20 m, 1,500 veh/h at 0.5 g/km, 50 km/h.
    Street typical;
    typical.sectors = 0;
    ModPar(typical.H, typical.P);
    float sWTpt = 0;
    CarTurb(50, 50, 1500, 0, typical.P[5], typical.P[6], typical.W, sWTpt);
    const float q = 1500 * 0.5f / 3.6f;
    std::printf("\ntypical street, q = %.1f ug/(m s), s_w_tpt = %.3f m/s\n", q, sWTpt);
    std::printf("%8s %8s %8s %10s %10s %10s %12s %12s\n", "u_mast", "dir", "u_roof", "s_w_roof", "delta_fi",
                "tau_s", "NOx_1 ug/m3", "NOx_2 ug/m3");
    for (float u : {0.0f, 1.0f, 3.0f, 6.0f, 12.0f}) {
        for (float dir : {0.0f, 45.0f, 90.0f}) {
            float uRoof = 0, F = 0, deltaFi = 0, sWRoof = 0, c1 = 0, c2 = 0;
            Flow_par(u, uRoof, F);
            Calc_Delta_Fi(uRoof, deltaFi);
            Averaging(uRoof, dir, deltaFi, typical.P[0], 0, typical.A, typical.B, typical.value, sWTpt,
                      sWRoof, typical.H, typical.W, 3.0f - u / (u + 5.0f), typical.L1, typical.L2, F,
                      typical.P[3], typical.P[4], 1, 1, c1, c2, typical.recHeight, typical.flags);
            std::printf("%8.1f %8.0f %8.2f %10.3f %10.1f %10.1f %12.1f %12.1f\n", u, dir, uRoof, sWRoof,
                        deltaFi, typical.H / sWRoof, c1 * q, c2 * q);
        }
    }
    return 0;
}
