// The NO-NO2-O3 chemistry of the street model.

#include "platform/streetmodel/StreetModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace vesk {
namespace {

struct Chem {
    float noxB = 20, o3B = 40, no2B = 12, nox = 120;
    float share = 0.05f, rad = 500, T = 293.15f, tau = 40;
    float no2 = -1, o3 = -1;
    void run() { NO2NOX(noxB, o3B, no2B, nox, no2, o3, share, rad, T, tau); }
};

// The rates as the model documents them, for independent checks.
double rateK(double T) {
    return 1.4e-12 * std::exp(-1310.0 / T) * 7.34e12 / T;
}
double rateJ(double G) {
    return G > 0 ? 0.0008 * std::exp(-10.0 / G) + 7.4e-6 * G : 0.0;
}

// Second route: integrate dNO2/dt = k NO O3 - J NO2 with classical Runge-Kutta.
double integrate(double no2, double no, double o3, double k, double J, double tau) {
    const int steps = 20000;
    const double dt = tau / steps;
    auto f = [&](double x) { return k * (no - (x - no2)) * (o3 - (x - no2)) - J * x; };
    double x = no2;
    for (int i = 0; i < steps; ++i) {
        const double k1 = f(x), k2 = f(x + 0.5 * dt * k1), k3 = f(x + 0.5 * dt * k2), k4 = f(x + dt * k3);
        x += dt / 6 * (k1 + 2 * k2 + 2 * k3 + k4);
    }
    return x;
}

TEST(StreetChemistry, zeroResidenceTimeKeepsTheStartValues) {
    Chem c;
    c.tau = 0;
    c.run();
    EXPECT_NEAR(c.no2, 12 + 0.05 * 100, 1e-5); // background NO2 plus the direct share of the increment
    EXPECT_NEAR(c.o3, 40, 1e-5);
}

TEST(StreetChemistry, closedFormAgreesWithNumericalIntegration) {
    struct Case {
        float noxB, o3B, no2B, nox, rad, T, tau;
    };
    const Case cases[] = {
        {20, 40, 12, 120, 500, 293.15f, 40}, {20, 40, 12, 120, 0, 273.15f, 200},
        {5, 60, 3, 400, 800, 303, 15},       {30, 10, 20, 30, 100, 283, 1000},
        {0, 0, 0, 50, 300, 293, 60},         {10, 35, 8, 35, 0, 293, 500},
    };
    for (const Case &cs : cases) {
        Chem c{cs.noxB, cs.o3B, cs.no2B, cs.nox, 0.05f, cs.rad, cs.T, cs.tau};
        c.run();
        const double no2Start = cs.no2B + 0.05 * (cs.nox - cs.noxB);
        const double expected =
            integrate(no2Start, cs.nox - no2Start, cs.o3B, rateK(cs.T), rateJ(cs.rad), cs.tau);
        EXPECT_NEAR(c.no2, expected, 1e-3 * (1 + expected)) << cs.nox << " " << cs.tau;
    }
}

TEST(StreetChemistry, longResidenceTimeReachesPhotostationaryState) {
    for (float rad : {100.0f, 400.0f, 900.0f}) {
        for (float tau : {1e6f, INFINITY}) {
            Chem c;
            c.rad = rad;
            c.tau = tau;
            c.run();
            const double no = c.nox - c.no2;
            // J NO2 = k NO O3
            EXPECT_NEAR(rateJ(rad) * c.no2, rateK(c.T) * no * c.o3, 1e-4 * rateJ(rad) * c.no2) << rad;
        }
    }
}

TEST(StreetChemistry, darknessGivesNoPhotolysisSoOzoneTitratesCompletely) {
    Chem c;
    c.rad = 0;
    c.tau = INFINITY;
    c.run();
    // Ox = 12 + 5 + 40 = 57 < NOx = 120: all ozone is used up.
    EXPECT_NEAR(c.o3, 0, 1e-3);
    EXPECT_NEAR(c.no2, 57, 1e-3);
    // With light some O3 remains.
    Chem lit = c;
    lit.rad = 500;
    lit.run();
    EXPECT_GT(lit.o3, 0.5f);
    // In the dark, NO2 can only grow from the start.
    Chem dark;
    dark.rad = -99;
    dark.run();
    EXPECT_GE(dark.no2, 17.0f);
}

TEST(StreetChemistry, warmerAirReactsFaster) {
    Chem cold, warm;
    cold.rad = warm.rad = 0;
    cold.tau = warm.tau = 10;
    cold.T = 263;
    warm.T = 303;
    cold.run();
    warm.run();
    EXPECT_GT(warm.no2, cold.no2);
}

TEST(StreetChemistry, resultsStayInRangeAndConserveNOxAndOddOxygenOverAGrid) {
    int n = 0;
    for (float noxB : {0.0f, 10.0f, 50.0f}) {
        for (float o3B : {0.0f, 30.0f, 80.0f}) {
            for (float no2B : {0.0f, 5.0f, 40.0f}) {
                for (float nox : {0.0f, 20.0f, 300.0f, 3000.0f}) {
                    for (float rad : {0.0f, 200.0f, 900.0f}) {
                        for (float tau : {0.0f, 1.0f, 30.0f, 3600.0f}) {
                            Chem c{noxB, o3B, no2B, nox, 0.05f, rad, 293, tau};
                            c.run();
                            ASSERT_TRUE(std::isfinite(c.no2) && std::isfinite(c.o3));
                            EXPECT_GE(c.no2, 0);
                            EXPECT_LE(c.no2, nox * (1 + 1e-6f));
                            EXPECT_GE(c.o3, 0);
                            // NO2 + O3 equals its start value (NOx itself is never changed).
                            const double no2Start =
                                std::min<double>(no2B + 0.05 * std::max(nox - noxB, 0.0f), nox);
                            EXPECT_NEAR(c.no2 + c.o3, no2Start + o3B, 1e-4 * (1 + no2Start + o3B));
                            ++n;
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(n, 3 * 3 * 3 * 4 * 3 * 4);
}

// An hour makes the rates once and hands them to each of its chemistry calls:
// the results must be those of the call given radiation and temperature, to
// the bit, including dark, missing and odd inputs.
TEST(StreetChemistry, ratesMadeOnceGiveTheSameBitsAsRadiationAndTemperature) {
    for (float rad : {-99.0f, 0.0f, 0.5f, 200.0f, 900.0f, NAN}) {
        for (float T : {-99.0f, 0.0f, 253.15f, 293.15f, 310.0f, NAN, INFINITY}) {
            const ChemistryRates rates = chemistryRates(rad, T);
            for (float nox : {-99.0f, 0.0f, 20.0f, 300.0f}) {
                for (float tau : {-1.0f, 0.0f, 30.0f, INFINITY, NAN}) {
                    float no2a = -1, o3a = -1, no2b = -1, o3b = -1;
                    NO2NOX(20, 40, 12, nox, no2a, o3a, 0.05f, rad, T, tau);
                    NO2NOX(20, 40, 12, nox, no2b, o3b, 0.05f, rates, tau);
                    SCOPED_TRACE(testing::Message() << rad << " W/m2, " << T << " K, " << nox << " ppb, " << tau
                                                    << " s");
                    EXPECT_EQ(std::memcmp(&no2a, &no2b, sizeof no2a), 0);
                    EXPECT_EQ(std::memcmp(&o3a, &o3b, sizeof o3a), 0);
                }
            }
        }
    }
}

TEST(StreetChemistry, missingInputsCountAsZeroAndNeverGiveNaN) {
    Chem c{-99, -99, -99, -99, 0.05f, -99, -99 + 273, NAN};
    c.run();
    EXPECT_EQ(c.no2, 0);
    EXPECT_EQ(c.o3, 0);
    Chem t{20, 40, 12, 120, 0.05f, 500, -10, 40};
    t.run();
    EXPECT_TRUE(std::isfinite(t.no2));
}

} // namespace
} // namespace vesk
