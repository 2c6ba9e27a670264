#!/usr/bin/env python3
"""Writes the demo country's emission data: vehicle lists and fuel lists per
scenario year, the emission-factor table and the standard traffic file.

Every value here is illustrative: plausible magnitudes for a European city,
not measured or official data. The layouts are described in docs/formats.md.

Run from the repository root:  python3 tools/make_emission_data.py
"""

import os

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LISTS = os.path.join(ROOT, "data", "Lists", "National", "DL")
SHARED_EMISSION = os.path.join(ROOT, "data", "Data", "Emission", "Shared")
TRAFFIC = os.path.join(ROOT, "data", "Data", "Traffic", "National", "DL")
YEARS = [2015, 2020, 2025, 2030]
FACTOR_FILE = "EmissionFactors.eft"


def write(path, lines):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def q(text):
    return '"' + text + '"'


def num(v, digits=4):
    text = f"{v:.{digits}f}".rstrip("0").rstrip(".")
    return text if text not in ("", "-0") else "0"


# Vehicle categories: name, long name, length class, factor class, fuel.
CATEGORIES = [
    ("PCPetrol", "Passenger cars, petrol", 1, "PC petrol", "Petrol"),
    ("PCDiesel", "Passenger cars, diesel", 1, "PC diesel", "Diesel"),
    ("Van", "Vans", 1, "LCV diesel", "Diesel"),
    ("HGV", "Heavy goods vehicles", 2, "HGV diesel", "Diesel"),
    ("Bus", "Buses", 2, "Bus diesel", "Diesel"),
]

TECHNOLOGIES = {
    "PC petrol": ["conventional", "catalyst", "Euro 5", "Euro 6"],
    "PC diesel": ["pre-Euro 4", "Euro 4", "Euro 5", "Euro 6"],
    "LCV diesel": ["pre-Euro 4", "Euro 4", "Euro 5", "Euro 6"],
    "HGV diesel": ["pre-Euro IV", "Euro IV", "Euro V", "Euro VI"],
    "Bus diesel": ["pre-Euro IV", "Euro IV", "Euro V", "Euro VI"],
}

# Fleet shares (%) per category and year, technologies in the order above.
FLEET = {
    "PCPetrol": {2015: [3, 62, 30, 5], 2020: [1, 40, 27, 32], 2025: [0.5, 22, 20, 57.5], 2030: [0, 10, 12, 78]},
    "PCDiesel": {2015: [20, 30, 40, 10], 2020: [8, 20, 32, 40], 2025: [3, 10, 22, 65], 2030: [1, 4, 12, 83]},
    "Van": {2015: [25, 30, 35, 10], 2020: [10, 20, 35, 35], 2025: [4, 10, 26, 60], 2030: [1, 4, 15, 80]},
    "HGV": {2015: [15, 25, 45, 15], 2020: [5, 12, 38, 45], 2025: [2, 5, 23, 70], 2030: [0, 2, 10, 88]},
    "Bus": {2015: [20, 30, 40, 10], 2020: [8, 17, 40, 35], 2025: [2, 8, 30, 60], 2030: [0, 3, 15, 82]},
}

# Benzene in petrol (% by volume) per year; the factor table's reference is 1.0.
BENZENE = {2015: 0.9, 2020: 0.8, 2025: 0.7, 2030: 0.6}

SPEEDS = [10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130]

# Hot factors at 50 km/h (g/km per vehicle) per technology, the direct NO2
# share of NOx, and the cold ratios per pollutant.
FACTORS = {
    "PC petrol": {
        "NOx": [1.8, 0.20, 0.06, 0.045], "NO2": [0.04, 0.04, 0.04, 0.04], "CO": [12.0, 1.2, 0.6, 0.5],
        "PM10": [0.035, 0.031, 0.030, 0.030], "PM2.5": [0.018, 0.014, 0.013, 0.013],
        "BNZ": [0.06, 0.004, 0.002, 0.0015],
        "cold": {"NOx": [1.5, 2.5, 3.0, 3.0], "CO": [1.5, 4.0, 5.0, 5.0], "PM10": [1.1] * 4,
                 "PM2.5": [1.2] * 4, "BNZ": [1.5, 6.0, 8.0, 8.0]},
    },
    "PC diesel": {
        "NOx": [0.75, 0.65, 0.80, 0.30], "NO2": [0.12, 0.40, 0.30, 0.25], "CO": [0.6, 0.1, 0.05, 0.04],
        "PM10": [0.10, 0.055, 0.033, 0.032], "PM2.5": [0.08, 0.035, 0.014, 0.013],
        "BNZ": [0.002, 0.0008, 0.0003, 0.0003],
        "cold": {"NOx": [1.2] * 4, "CO": [2.0] * 4, "PM10": [1.1] * 4, "PM2.5": [1.15] * 4, "BNZ": [2.0] * 4},
    },
    "LCV diesel": {
        "NOx": [1.2, 1.0, 1.1, 0.45], "NO2": [0.12, 0.35, 0.30, 0.25], "CO": [0.8, 0.3, 0.1, 0.06],
        "PM10": [0.15, 0.075, 0.045, 0.043], "PM2.5": [0.12, 0.055, 0.022, 0.020],
        "BNZ": [0.003, 0.001, 0.0004, 0.0004],
        "cold": {"NOx": [1.2] * 4, "CO": [2.0] * 4, "PM10": [1.1] * 4, "PM2.5": [1.15] * 4, "BNZ": [2.0] * 4},
    },
    "HGV diesel": {
        "NOx": [9.0, 6.0, 4.5, 0.5], "NO2": [0.10, 0.10, 0.11, 0.25], "CO": [2.5, 0.9, 0.8, 0.3],
        "PM10": [0.35, 0.15, 0.14, 0.10], "PM2.5": [0.28, 0.08, 0.07, 0.04],
        "BNZ": [0.005, 0.002, 0.002, 0.001],
        "cold": {"NOx": [1.1] * 4, "CO": [1.3] * 4, "PM10": [1.05] * 4, "PM2.5": [1.05] * 4, "BNZ": [1.3] * 4},
    },
    "Bus diesel": {
        "NOx": [12.0, 8.0, 6.5, 0.8], "NO2": [0.11, 0.10, 0.11, 0.25], "CO": [3.0, 1.5, 1.2, 0.4],
        "PM10": [0.40, 0.18, 0.16, 0.11], "PM2.5": [0.32, 0.10, 0.09, 0.045],
        "BNZ": [0.006, 0.003, 0.003, 0.0015],
        "cold": {"NOx": [1.1] * 4, "CO": [1.3] * 4, "PM10": [1.05] * 4, "PM2.5": [1.05] * 4, "BNZ": [1.3] * 4},
    },
}

# Speed shapes s(v) = a * 50 / v + (1 - a - b) + b * (v / 50)^2, 1 at 50 km/h:
# high in stop-and-go traffic, rising again at motorway speeds.
SHAPE_LIGHT = {"NOx": (0.35, 0.20), "CO": (0.50, 0.15), "PM10": (0.30, 0.10), "PM2.5": (0.30, 0.10),
               "BNZ": (0.60, 0.05)}
SHAPE_HEAVY = {"NOx": (0.50, 0.08), "CO": (0.55, 0.05), "PM10": (0.45, 0.05), "PM2.5": (0.45, 0.05),
               "BNZ": (0.60, 0.05)}
HEAVY_CLASSES = {"HGV diesel", "Bus diesel"}


def shape(a, b, v):
    return a * 50.0 / v + (1.0 - a - b) + b * (v / 50.0) ** 2


def factor_table():
    lines = [q("WinVESK emission factors"),
             q("Illustrative speed-dependent emission factors (hot factors in g/km per vehicle, cold ratios, "
               "direct NO2 shares) for the demo country. Not measured values."),
             "[Speeds]", q("Speed (km/h)"), ",".join(str(s) for s in SPEEDS),
             "[Factors]",
             ",".join(q(t) for t in ["Class", "Technology", "Pollutant", "Cold ratio", "Fuel reference",
                                     "Factors (g/km) at the speeds above"])]
    for cls, techs in TECHNOLOGIES.items():
        data = FACTORS[cls]
        shapes = SHAPE_HEAVY if cls in HEAVY_CLASSES else SHAPE_LIGHT
        for i, tech in enumerate(techs):
            for pol in ["NOx", "CO", "PM10", "PM2.5", "BNZ"]:
                a, b = shapes[pol]
                base = data[pol][i]
                values = [base * shape(a, b, v) for v in SPEEDS]
                reference = 1.0 if (pol == "BNZ" and cls == "PC petrol") else 0
                lines.append(",".join([q(cls), q(tech), q(pol), num(data["cold"][pol][i], 2), num(reference, 1)]
                                      + [num(x, 5) for x in values]))
            lines.append(",".join([q(cls), q(tech), q("NO2"), q("share of"), q("NOx"), num(data["NO2"][i], 3)]))
    write(os.path.join(SHARED_EMISSION, FACTOR_FILE), lines)


def vehicle_list(year):
    lines = [f'"DL",{year}',
             q(f"Demoland vehicle fleet, scenario year {year}. Illustrative data: not a real fleet."),
             "[Factors]", q("Factor file"), q(FACTOR_FILE),
             "[Categories]", ",".join(q(t) for t in ["Name", "Long name", "Length class", "Factor class", "Fuel"])]
    for name, long_name, length, cls, fuel in CATEGORIES:
        lines.append(",".join([q(name), q(long_name), str(length), q(cls), q(fuel)]))
    lines += ["[Fleet]", ",".join(q(t) for t in ["Category", "Technology", "Share (%)"])]
    for name, _, _, cls, _ in CATEGORIES:
        for tech, share in zip(TECHNOLOGIES[cls], FLEET[name][year]):
            lines.append(",".join([q(name), q(tech), num(share, 1)]))
    write(os.path.join(LISTS, f"Fleet{year}.vlf"), lines)


def fuel_list(year):
    lines = [f'"DL",{year}',
             q(f"Demoland fuels, scenario year {year}. Illustrative data."),
             "[Fuels]", ",".join(q(t) for t in ["Name", "Long name"]),
             ",".join([q("Petrol"), q("Petrol (gasoline)")]), ",".join([q("Diesel"), q("Diesel")]),
             "[Contents]", ",".join(q(t) for t in ["Fuel", "Substance", "Content", "Unit"]),
             ",".join([q("Petrol"), q("BNZ"), num(BENZENE[year], 2), q("% by volume")]),
             ",".join([q("Diesel"), q("Sulphur"), "10", q("mg/kg")])]
    write(os.path.join(LISTS, f"Fuels{year}.flf"), lines)


# Hourly profiles (relative, normalised below) per day kind.
PROFILE = {
    "work": [0.8, 0.5, 0.4, 0.4, 0.8, 2.2, 5.5, 7.8, 6.8, 5.6, 5.4, 5.6, 5.8, 5.8, 6.2, 7.0, 7.8, 7.4, 6.0, 4.6,
             3.6, 3.0, 2.4, 1.6],
    "saturday": [1.5, 1.0, 0.7, 0.5, 0.5, 0.9, 1.8, 3.2, 4.8, 6.2, 7.3, 7.8, 7.8, 7.4, 7.0, 6.8, 6.6, 6.2, 5.4,
                 4.4, 3.6, 3.2, 2.9, 2.4],
    "sunday": [2.2, 1.6, 1.1, 0.8, 0.6, 0.7, 1.1, 1.9, 3.2, 4.8, 6.2, 7.0, 7.2, 7.3, 7.4, 7.4, 7.3, 7.0, 6.4, 5.4,
               4.3, 3.5, 2.8, 1.9],
}
HEAVY_PROFILE = [1.2, 1.0, 1.0, 1.2, 2.0, 3.5, 5.5, 6.5, 7.0, 7.2, 7.2, 7.0, 6.8, 6.8, 6.8, 6.5, 5.8, 4.8, 3.6,
                 2.6, 2.0, 1.6, 1.4, 1.3]
BUS_PROFILE = [0.3, 0.2, 0.2, 0.2, 1.5, 4.0, 7.0, 7.5, 6.0, 5.0, 5.0, 5.0, 5.0, 5.2, 5.6, 6.5, 7.0, 6.8, 5.5,
               4.5, 3.6, 3.2, 2.6, 1.9]

# Day cases: name, day condition, month condition, day kind, daily vehicles,
# shares of vans, heavy goods vehicles and buses.
DAY_CASES = [
    ("Working day, summer holidays", "DayNow <= 5", "MonthNow = 7 OR MonthNow = 8", "work", 13500, 0.10, 0.05, 0.010),
    ("Working day", "DayNow <= 5", "", "work", 16000, 0.10, 0.05, 0.012),
    ("Saturday", "DayNow = 6", "", "saturday", 12000, 0.07, 0.02, 0.010),
    ("Sunday and holiday", "DayNow = 7", "", "sunday", 9500, 0.05, 0.015, 0.008),
]


def normalised(values):
    total = sum(values)
    return [v / total for v in values]


def traffic_file():
    lines = [q("WinVESK traffic file"),
             q("Standard traffic of a Demoland city street: working day, summer-holiday working day, Saturday "
               "and Sunday/holiday profiles. Illustrative profiles, not counted traffic."),
             "[Settings]", ",".join([q("Name"), q("Value")]), ",".join([q("Type"), "2"]),
             ",".join([q("Periods"), "24"]),
             "[Categories]", ",".join(q(t) for t in ["Name", "Long name", "Sub-categories with their fractions"]),
             ",".join([q("Cars"), q("Passenger cars"), q("PCPetrol"), "0.65", q("PCDiesel"), "0.35"]),
             ",".join([q("Van"), q("Vans")]), ",".join([q("HGV"), q("Heavy goods vehicles")]),
             ",".join([q("Bus"), q("Buses")]),
             "[Day cases]", ",".join(q(t) for t in ["Name", "Day condition", "Month condition"])]
    for name, day, month, *_ in DAY_CASES:
        lines.append(",".join([q(name), q(day), q(month)]))
    for d, (name, _, _, kind, daily, van, hgv, bus) in enumerate(DAY_CASES, start=1):
        light = normalised(PROFILE[kind])
        heavy = normalised(HEAVY_PROFILE if kind == "work" else PROFILE[kind])
        buses = normalised(BUS_PROFILE if kind == "work" else PROFILE[kind])
        lines += [f"[Day case {d}]",
                  ",".join(q(t) for t in ["Period", "Cars", "Van", "HGV", "Bus", "Speed light", "Speed heavy",
                                          "Cold start (%)"])]
        peak = max(light)
        for h in range(24):
            cars = daily * (1 - van - hgv - bus) * light[h]
            vans = daily * van * light[h]
            hgvs = daily * hgv * heavy[h]
            nbus = daily * bus * buses[h]
            congestion = (light[h] / peak) ** 2 * (daily / 16000.0)
            speed_light = 48.0 - 18.0 * congestion
            speed_heavy = speed_light - 4.0
            hour = h + 1
            if 7 <= hour <= 9:
                cold = 25
            elif 16 <= hour <= 18:
                cold = 20
            elif hour <= 5 or hour >= 23:
                cold = 5
            else:
                cold = 12
            lines.append(",".join([str(hour), num(cars, 1), num(vans, 1), num(hgvs, 1), num(nbus, 1),
                                   num(speed_light, 1), num(speed_heavy, 1), str(cold)]))
    write(os.path.join(TRAFFIC, "CityStreet.trf"), lines)


if __name__ == "__main__":
    factor_table()
    for y in YEARS:
        vehicle_list(y)
        fuel_list(y)
    traffic_file()
