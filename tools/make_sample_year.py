#!/usr/bin/env python3
"""Writes the synthetic sample year of hourly input data in data/Working/.

The data are SYNTHETIC: made up by this script for demonstrations and tests,
not measured anywhere. They follow the cycles an analyst expects of a
mid-latitude European city (about 55 degrees north):

  Met2023.txt   year month day hour u_mast wind_dir temperature globalrad
                wind speed (m/s) at the mast, direction (degrees, prevailing
                south-west), air temperature (deg C) with seasonal and diurnal
                cycles, global radiation (W/m2) from the sun's elevation and a
                persistent cloud cover.
  Back2023.txt  year month day hour cNOx_b cNO2_b cO3_b cCO_b cPM10_b cPM2.5_b cBNZ_b
                urban background in ug/m3: NOx with weekday rush hours, higher
                in winter and at low wind; NO2 a falling share of NOx; O3
                highest on summer afternoons and lowered where NOx is high;
                CO, PM10, PM2.5 and benzene following NOx loosely.
  Obs2023.txt   year month day hour cNOx_obs_1 cNOx_obs_2 cNO2_obs_1 cNO2_obs_2
                "measured" street concentrations (ug/m3) on both sides for
                January to April only; the other hours hold na (missing), so
                the file still has one line per hour and stays aligned with
                the others.

  Traffic2023.txt  year month day hour nPCPetrol nPCDiesel nVan nHGV nBus
                speed_light speed_heavy coldstart: the hour's traffic of a
                city street by vehicle category of the demo fleet (vehicles
                an hour, about 20,000 on a working day), the speeds of light
                and heavy vehicles (km/h, lower in the rush hours) and the
                share of cold-started vehicles (per cent). Streets without a
                traffic file take their traffic, speeds and emissions from
                these columns (DemoStreetOwnTraffic.vkp, DemoStreetsOwnTraffic.vkm).

  MetBack2023.txt  (in data/Data/MetBack/National/DL/, the country's standard
                meteorology and background file) year month day hour u_mast
                wind_dir temperature globalrad cNOx_r cNO2_r cO3_r cCO_r
                cPM10_r cPM2.5_r cBNZ_r: the meteorology of Met2023.txt with
                the regional (rural) background in ug/m3 derived from the
                urban background of the same hour: less NOx, a larger NO2
                share, the ozone the city's NO titrates away given back, and
                smaller shares of CO, particles and benzene. Its layout is
                data/Lists/National/DL/MetBack.fmt.

Each file starts with a line of column titles; the run passes over it.
Every value comes from a fixed random seed, so the files are the same on
every run of the script:

    python3 tools/make_sample_year.py [output-folder [standard-file-folder]]
"""

import datetime
import math
import os
import random
import sys

YEAR = 2023
LATITUDE = 55.7


def solar_elevation(day_of_year, hour_mid):
    decl = 23.44 * math.sin(math.radians(360.0 / 365.0 * (day_of_year - 81)))
    hour_angle = 15.0 * (hour_mid - 12.0)
    lat, dec, ha = map(math.radians, (LATITUDE, decl, hour_angle))
    s = math.sin(lat) * math.sin(dec) + math.cos(lat) * math.cos(dec) * math.cos(ha)
    return math.degrees(math.asin(max(-1.0, min(1.0, s))))


def traffic_profile(hour, weekday):
    """Relative traffic of hour 1..24 (hour h covers h-1 to h)."""
    h = hour - 0.5
    if weekday < 5:
        return (0.15 + 0.9 * math.exp(-((h - 8.0) / 1.3) ** 2) + 0.8 * math.exp(-((h - 16.5) / 1.8) ** 2)
                + 0.55 * math.exp(-((h - 12.5) / 4.0) ** 2))
    return 0.15 + 0.6 * math.exp(-((h - 14.0) / 4.0) ** 2)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data", "Working")
    metback_dir = sys.argv[2] if len(sys.argv) > 2 else os.path.join(
        os.path.dirname(__file__), "..", "data", "Data", "MetBack", "National", "DL")
    rng = random.Random(20230101)
    # The traffic has a random source of its own, so the files above stay as they were.
    traffic_rng = random.Random(20230202)
    met, back, obs, metback, counts = [], [], [], [], []
    met.append("year month day hour u_mast wind_dir temperature globalrad")
    back.append("year month day hour cNOx_b cNO2_b cO3_b cCO_b cPM10_b cPM2.5_b cBNZ_b")
    obs.append("year month day hour cNOx_obs_1 cNOx_obs_2 cNO2_obs_1 cNO2_obs_2")
    metback.append("year month day hour u_mast wind_dir temperature globalrad "
                   "cNOx_r cNO2_r cO3_r cCO_r cPM10_r cPM2.5_r cBNZ_r")
    counts.append("year month day hour nPCPetrol nPCDiesel nVan nHGV nBus speed_light speed_heavy coldstart")

    wind_anom, dir_walk, temp_anom, cloud, pm_anom = 0.0, 225.0, 0.0, 0.5, 0.0
    t = datetime.datetime(YEAR, 1, 1, 0)
    while t.year == YEAR:
        doy = t.timetuple().tm_yday
        hour = t.hour + 1
        season = math.cos(2 * math.pi * (doy - 15) / 365.0)  # +1 mid-January, -1 mid-July

        # Wind: persistent anomaly, stronger in winter and in the afternoon.
        wind_anom = 0.95 * wind_anom + rng.gauss(0.0, 0.35)
        u = (3.8 + 0.8 * season + 0.7 * math.sin(math.pi * (hour - 9) / 12.0) * (hour > 8 and hour < 21)) * math.exp(
            0.35 * wind_anom - 0.06)
        u = max(0.3, min(18.0, u))
        dir_walk += rng.gauss(0.0, 12.0) + 0.03 * ((225.0 - dir_walk + 180.0) % 360.0 - 180.0)
        direction = dir_walk % 360.0
        if direction == 0.0:
            direction = 360.0

        # Temperature and radiation.
        temp_anom = 0.97 * temp_anom + rng.gauss(0.0, 0.45)
        cloud = min(1.0, max(0.0, 0.9 * cloud + 0.1 * (0.55 + 0.15 * season) + rng.gauss(0.0, 0.12)))
        elev = solar_elevation(doy, hour - 0.5)
        clear = max(0.0, 1050.0 * math.sin(math.radians(max(elev, 0.0))) ** 1.15)
        radiation = clear * (1.0 - 0.75 * cloud ** 3.4)
        temperature = 9.0 - 8.5 * season + 3.5 * math.sin(math.pi * (hour - 9) / 12.0) * (1.0 - 0.5 * cloud) + temp_anom

        # Background concentrations.
        weekday = t.weekday()
        traffic = traffic_profile(hour, weekday)
        dilution = 3.0 / (u + 1.0)
        nox_b = max(3.0, (14.0 + 62.0 * traffic) * (1.0 + 0.35 * season) * dilution * math.exp(rng.gauss(0.0, 0.25)))
        no2_share = 0.35 + 0.45 * math.exp(-nox_b / 40.0)
        no2_b = nox_b * no2_share
        o3_b = max(2.0, (55.0 - 12.0 * season + 25.0 * max(0.0, math.sin(math.radians(max(elev, 0.0)))) * (1 - season) / 2
                         - 0.45 * nox_b) * math.exp(rng.gauss(0.0, 0.12)))
        co_b = 180.0 + 4.0 * nox_b + rng.uniform(-15.0, 15.0)
        pm_anom = 0.97 * pm_anom + rng.gauss(0.0, 0.8)
        pm10_b = max(3.0, 16.0 + 0.12 * nox_b + 3.0 * season + pm_anom * 3.0)
        pm25_b = max(2.0, 0.62 * pm10_b + rng.uniform(-1.0, 1.0))
        benzene_b = max(0.1, 0.25 + 0.025 * nox_b + 0.2 * season)

        stamp = f"{t.year} {t.month} {t.day} {hour}"
        met.append(f"{stamp} {u:.1f} {direction:.0f} {temperature:.1f} {radiation:.0f}")
        back.append(f"{stamp} {nox_b:.1f} {no2_b:.1f} {o3_b:.1f} {co_b:.0f} {pm10_b:.1f} {pm25_b:.1f} {benzene_b:.2f}")
        # Regional background: no random draw of its own, so the files above stay as they were.
        nox_r = 0.35 * nox_b
        no2_r = 0.7 * nox_r
        o3_r = o3_b + 0.9 * max(0.0, no2_b - no2_r)
        metback.append(f"{stamp} {u:.1f} {direction:.0f} {temperature:.1f} {radiation:.0f} {nox_r:.1f} {no2_r:.1f} "
                       f"{o3_r:.1f} {0.8 * co_b:.0f} {0.75 * pm10_b:.1f} {0.8 * pm25_b:.1f} {0.5 * benzene_b:.2f}")

        # Traffic by category: the day's profile, buses more evenly over the day.
        flow = 1650.0 * traffic * math.exp(traffic_rng.gauss(0.0, 0.08))
        congestion = min(1.0, traffic / 1.2)
        bus = 30.0 * (0.3 + 0.7 * min(1.0, traffic / 0.5)) if 6 <= hour <= 23 else 4.0
        cold = 10.0 + 15.0 * math.exp(-((hour - 8.5) / 1.5) ** 2) + 5.0 * max(season, 0.0)
        counts.append(f"{stamp} {0.45 * flow:.0f} {0.30 * flow:.0f} {0.13 * flow:.0f} {0.07 * flow:.0f} {bus:.0f} "
                      f"{50.0 - 18.0 * congestion:.0f} {42.0 - 12.0 * congestion:.0f} {cold:.0f}")

        if t.month <= 4:
            # Street increment: traffic over wind, leeward side (side 1 faces north-east) gets more
            # when the wind blows from the south-west half.
            increment = 130.0 * traffic / (0.35 * u + 0.6)
            lee1 = 0.5 + 0.5 * math.cos(math.radians(direction - 225.0))
            s1 = increment * (0.45 + 0.75 * lee1) * math.exp(rng.gauss(0.0, 0.15))
            s2 = increment * (0.45 + 0.75 * (1.0 - lee1)) * math.exp(rng.gauss(0.0, 0.15))
            nox1, nox2 = nox_b + s1, nox_b + s2
            no2_1 = no2_b + 0.12 * s1 + min(o3_b, 0.25 * s1)
            no2_2 = no2_b + 0.12 * s2 + min(o3_b, 0.25 * s2)
            obs.append(f"{stamp} {nox1:.1f} {nox2:.1f} {no2_1:.1f} {no2_2:.1f}")
        else:
            obs.append(f"{stamp} na na na na")
        t += datetime.timedelta(hours=1)

    os.makedirs(out, exist_ok=True)
    os.makedirs(metback_dir, exist_ok=True)
    for folder, name, lines in ((out, "Met2023.txt", met), (out, "Back2023.txt", back), (out, "Obs2023.txt", obs),
                                (out, "Traffic2023.txt", counts), (metback_dir, "MetBack2023.txt", metback)):
        with open(os.path.join(folder, name), "w", newline="") as f:
            f.write("\r\n".join(lines) + "\r\n")
        print(f"wrote {os.path.join(folder, name)} ({len(lines) - 1} hours)")


if __name__ == "__main__":
    main()
