#pragma once

// Small hand-made list files for the emission component's tests, with
// factors chosen so that results can be worked out by hand.

#include "platform/emission/EmissionLibrary.h"

#include <string>
#include <vector>

namespace vesk::test {

// NOx 0, NO 1, NO2 2, O3 3, CO 4, PM10 5, PM2.5 6, BNZ 7, as the demo country
// lists them; NOx, NO2, CO, PM10, PM2.5 and BNZ are emitted.
inline std::vector<EmissionPollutant> demoPollutants() {
    return {{"NOx", 0, true}, {"NO", 1, false},  {"NO2", 2, true},   {"O3", 3, false},
            {"CO", 4, true},  {"PM10", 5, true}, {"PM2.5", 6, true}, {"BNZ", 7, true}};
}

// Only NOx and NO2 emitted: lets the small factor table below stay small.
inline std::vector<EmissionPollutant> noxPollutants() {
    return {{"NOx", 0, true}, {"NO", 1, false}, {"NO2", 2, true}, {"O3", 3, false}, {"BNZ", 4, false}};
}

// Two technologies of passenger cars, one of heavy vehicles.
//   Car old:  NOx 1.0 g/km at 10 km/h, 0.5 at 50 and 130; cold ratio 3; NO2 share 0.1
//   Car new:  NOx 0.2 flat; cold ratio 1
//   Lorry:    NOx 4.0 at 10, 2.0 at 50, 2.0 at 130; NO2 share 0.2
//   BNZ of old cars: 0.01 g/km at fuel content 1.0
inline const char *kSmallFactors = R"X("WinVESK emission factors"
"Hand-made factors for tests"
[Speeds]
"Speed (km/h)"
10 50 130
[Factors]
"Class","Technology","Pollutant","Cold ratio","Fuel reference","Factors"
"Car","old","NOx",3,0,1.0,0.5,0.5
"Car","old","NO2","share of","NOx",0.1
"Car","old","BNZ",1,1.0,0.01,0.01,0.01
"Car","new","NOx",1,0,0.2,0.2,0.2
"Car","new","NO2","share of","NOx",0.1
"Car","new","BNZ",1,1.0,0.002,0.002,0.002
"Lorry","any","NOx",1,0,4.0,2.0,2.0
"Lorry","any","NO2","share of","NOx",0.2
"Lorry","any","BNZ",1,0,0.001,0.001,0.001
)X";

inline const char *kSmallVehicles = R"X("XX",2021
"Hand-made vehicle list for tests"
[Factors]
"Factor file"
"Small.eft"
[Categories]
"Name","Long name","Length class","Factor class","Fuel"
"PCPetrol","Passenger cars, petrol",1,"Car","Petrol"
"PCDiesel","Passenger cars, diesel",1,"Car","Diesel"
"HGV","Heavy goods vehicles",2,"Lorry","Diesel"
[Fleet]
"Category","Technology","Share (%)"
"PCPetrol","old",25
"PCPetrol","new",75
"PCDiesel","new",100
"HGV","any",100
)X";

inline const char *kSmallFuels = R"X("XX",2021
"Hand-made fuel list for tests"
[Fuels]
"Name","Long name"
"Petrol","Petrol"
"Diesel","Diesel"
[Contents]
"Fuel","Substance","Content","Unit"
"Petrol","BNZ",0.5,"% by volume"
)X";

} // namespace vesk::test
