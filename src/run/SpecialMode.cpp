#include "run/SpecialMode.h"

#include "calc/Format.h"
#include "calc/RunErrors.h"
#include "calc/TableRoutines.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/StagedFile.h"
#include "core/TextIO.h"
#include "platform/streetmodel/StreetModel.h"
#include "run/StreetChain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vesk {

namespace {

constexpr float kNone = -99.0f;

// A text file written with print items: the 14-column print zones and tab
// positions of the result files. Columns count from 1; all text is ASCII.
class PrintText {
public:
    void item(const std::string &s) {
        m_out += s;
        m_column += static_cast<int>(s.size());
    }
    void zone() { pad(((m_column - 1) / 14 + 1) * 14 + 1); }
    // To the column; a column already passed continues on the next line there.
    void tab(int column) {
        if (m_column > column) {
            endLine();
        }
        pad(column);
    }
    void endLine() {
        m_out += "\r\n";
        m_column = 1;
    }
    const std::string &str() const { return m_out; }

private:
    void pad(int column) {
        if (column > m_column) {
            m_out.append(static_cast<std::size_t>(column - m_column), ' ');
            m_column = column;
        }
    }
    std::string m_out;
    int m_column = 1;
};

// A number as a print item: a blank (or the sign) before it, a blank after it.
std::string printItem(float v) {
    return printNumberText(v);
}

struct Case {
    float nox1 = kNone, nox2 = kNone, no21 = kNone, no22 = kNone, o31 = kNone, o32 = kNone;
    float norm1 = kNone, norm2 = kNone;
};

struct Files {
    PrintText veskout, nox1, nox2, no21, no22;
};

// The result files of a run, in the order they are written.
std::vector<std::string> resultFileNames(bool withNO2) {
    std::vector<std::string> names = {"veskout.dat", "NOX_1.dat", "NOX_2.dat"};
    if (withNO2) {
        names.push_back("NO2_1.dat");
        names.push_back("NO2_2.dat");
    }
    return names;
}

// Starts the temporary file of every result file before the first case, as a
// time-series run starts its outputs before its first hour (OpenOutputText):
// a result file that may not be replaced (a read-only one, another user's
// that could not be put back, no regular file) is refused with the message a
// time-series run gives, and nothing is computed or created.
bool openResultFiles(const State &state, bool withNO2, std::vector<StagedFile> *staged, Interaction &ui) {
    const std::vector<std::string> names = resultFileNames(withNO2);
    staged->clear();
    staged->resize(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        RunErrorContext context;
        context.FilePath = joinPath(nativePath(state.WorkDir), names[i]);
        long number = 0;
        if (!OpenOutputText(context.FilePath, (*staged)[i], &number, &context.Description)) {
            staged->clear(); // the temporary files made so far go
            const RunMessage m = runMessage(number, context);
            ui.message(m.text.empty() ? context.Description : m.text, Icon::Critical);
            return false;
        }
    }
    return true;
}

// Writes every result file under its temporary name (opened before the first
// case), out to the disk, and puts them in place only when all were written
// and the old contents of each are kept, so a failure (a full disk, a file
// that may not be replaced) replaces none of them; should a rename fail,
// those before it are put back.
bool writeAll(const Files &files, bool withNO2, std::vector<StagedFile> &staged, Interaction &ui) {
    std::vector<const PrintText *> texts = {&files.veskout, &files.nox1, &files.nox2};
    if (withNO2) {
        texts.push_back(&files.no21);
        texts.push_back(&files.no22);
    }
    auto failed = [&](const std::string &path, const std::string &error) {
        ui.message("The file " + path + " could not be written." + "\r\n" + error, Icon::Critical);
        return false;
    };
    for (std::size_t i = 0; i < staged.size() && i < texts.size(); ++i) {
        staged[i].write(texts[i]->str()); // a failed write is reported by prepare()
    }
    for (StagedFile &file : staged) {
        std::string error;
        if (!file.prepare(&error)) {
            return failed(file.target(), error);
        }
    }
    ReplacedFiles replaced;
    for (StagedFile &file : staged) {
        std::string error;
        if (!file.keepReplaced(replaced, &error)) {
            replaced.restore(nullptr); // drops what was kept: nothing was replaced
            return failed(file.target(), error);
        }
    }
    for (StagedFile &file : staged) {
        std::string error, notPutBack;
        if (!file.commit(&error, &replaced)) {
            if (!replaced.restore(&notPutBack)) {
                error += "\r\n" + notPutBack;
            }
            return failed(file.target(), error);
        }
    }
    // Each name holds the file written, else the tables were not written.
    if (std::string error, file; !replaced.keepNew(&error, &file)) {
        return failed(file, error);
    }
    return true;
}

// Finishes a run that has computed something: writes the files and reports.
// lastDone names the last direction computed of a stopped run.
SpecialModeOutcome finish(const Files &files, bool withNO2, std::vector<StagedFile> &staged, Interaction &ui,
                          RunObserver *observer, SpecialModeOutcome outcome,
                          const std::string &lastDone = std::string()) {
    if (!writeAll(files, withNO2, staged, ui)) {
        outcome = SpecialModeOutcome::Failed;
    }
    if (observer != nullptr) {
        if (outcome == SpecialModeOutcome::Stopped) {
            observer->runStopped(lastDone);
        }
        observer->runStateChanged(false);
    }
    return outcome;
}

} // namespace

double specialModeEmissionTerm(double emFactorLight, double trafficLight, double emFactorHeavy,
                               double trafficHeavy) {
    return (emFactorHeavy * trafficHeavy + emFactorLight * trafficLight) * 0.53 / 3.6;
}

double specialModeDirectionCount(double start, double end, double step) {
    if (!std::isfinite(start) || !std::isfinite(end) || !std::isfinite(step) || step <= 0.0) {
        return 0;
    }
    if (end < start) {
        end += 360.0;
    }
    return end > start ? std::ceil((end - start) / step) : 0;
}

std::vector<double> specialModeDirections(double start, double end, double step) {
    std::vector<double> out;
    const double count = specialModeDirectionCount(start, end, step);
    if (!(count > 0 && count <= kMaxSpecialModeDirections)) {
        return out;
    }
    if (end < start) {
        end += 360.0;
    }
    for (long k = 0;; ++k) {
        const double d = start + static_cast<double>(k) * step;
        if (!(d < end)) {
            break;
        }
        out.push_back(d);
    }
    return out;
}

double shownDirection(double d) {
    return d > 360.0 ? d - 360.0 : d;
}

SpecialModeOutcome RunSpecialMode(State &state, Interaction &ui, RunControl &control, RunObserver *observer) {
    if (state.RouteMode || state.MultiStreetMode) {
        // Its street and traffic are the project's own single street, which
        // these projects do not have.
        ui.message(std::string("Special Mode cannot be run for a ") +
                       (state.RouteMode ? "route project" : "multi-street project") +
                       ".\r\nIt computes one street: open or create a single-street project for it.",
                   Icon::Critical);
        return SpecialModeOutcome::Refused;
    }
    const int speedCount = std::clamp(state.WindSpeedCount, 0, kMaxWindSpeeds);
    for (int i = 1; i <= speedCount; ++i) {
        if (!std::isfinite(state.WindSpeeds[i]) || state.WindSpeeds[i] < 0) {
            ui.message("The value of wind speed is not defined or negative");
            return SpecialModeOutcome::Refused;
        }
    }
    const double dirEnd = state.WindDirEnd < state.WindDirStart ? state.WindDirEnd + 360.0 : state.WindDirEnd;
    if (!std::isfinite(state.WindDirStart) || !std::isfinite(state.WindDirEnd) ||
        !std::isfinite(state.WindDirStep)) {
        ui.message("The wind directions of Special Mode are not defined", Icon::Critical);
        return SpecialModeOutcome::Refused;
    }
    if (state.WindDirStep <= 0 && state.WindDirStart < dirEnd) {
        ui.message("The wind direction step must be greater than 0", Icon::Critical);
        return SpecialModeOutcome::Refused;
    }
    const double directionCount =
        specialModeDirectionCount(state.WindDirStart, state.WindDirEnd, state.WindDirStep);
    if (directionCount > kMaxSpecialModeDirections) {
        char count[64];
        std::snprintf(count, sizeof count, "%.0f", directionCount);
        ui.message("The wind directions from " + formatNumber(state.WindDirStart) + " to " +
                       formatNumber(state.WindDirEnd) + " by " + formatNumber(state.WindDirStep) + " are " +
                       count + " directions; Special Mode computes at most " +
                       formatNumber(kMaxSpecialModeDirections) +
                       " (a step of 0.1 degree around the circle). Choose a larger step or a smaller range.",
                   Icon::Critical);
        return SpecialModeOutcome::Refused;
    }
    if (!state.TrafficTurbulence) {
        const Answer a =
            ui.question("Traffic Produced Turbulence is Off\r\nCases with wind speed=0 will be bypassed.",
                        Buttons::OkCancel, Icon::None, Answer::Ok);
        if (a == Answer::Cancel) {
            control.requestStop();
            return SpecialModeOutcome::Stopped;
        }
    }
    const bool withNO2 = state.CalcNO2 == 1;
    std::vector<StagedFile> staged;
    if (!openResultFiles(state, withNO2, &staged, ui)) {
        return SpecialModeOutcome::Refused;
    }
    if (observer != nullptr) {
        observer->runStateChanged(true);
    }

    const auto H = static_cast<float>(state.StreetHeight);
    const auto W = static_cast<float>(state.StreetWidth);
    PassStreetGeometry(state);
    const auto &P = state.StreetParams;
    state.EmissionTermSM = specialModeEmissionTerm(state.EmFactorLight, state.TrafficLight,
                                                   state.EmFactorHeavy, state.TrafficHeavy);
    const auto emission = static_cast<float>(state.EmissionTermSM);
    float sWTpt = 0;
    if (state.TrafficTurbulence) {
        CarTurb(static_cast<float>(state.SpeedLight), static_cast<float>(state.SpeedHeavy),
                static_cast<float>(state.TrafficLight), static_cast<float>(state.TrafficHeavy), P[5], P[6], W,
                sWTpt);
    }
    const auto bgNOx = static_cast<float>(state.BackgroundNOx);
    const auto bgO3 = static_cast<float>(state.BackgroundO3);
    const auto bgNO2 = static_cast<float>(state.BackgroundNO2);
    const auto T = static_cast<float>(state.AirTemperature + 273.0);
    const auto radiation = static_cast<float>(state.GlobalRadiation);
    const bool use1 = state.Receptor1 == 1;
    const bool use2 = state.Receptor2 == 1;

    Files files;
    for (const char *h : {"WindDir", "WindSpeed", "NOX_1", "NOX_2", "NO2_1", "NO2_2", "O3_1", "O3_2"}) {
        if (files.veskout.str().size() > 0) {
            files.veskout.zone();
        }
        files.veskout.item(h);
    }
    files.veskout.endLine();

    const std::vector<double> directions =
        specialModeDirections(state.WindDirStart, state.WindDirEnd, state.WindDirStep);
    for (std::size_t di = 0; di < directions.size(); ++di) {
        const auto D = static_cast<float>(shownDirection(directions[di]));
        double r = D - state.StreetOrientation;
        if (r < 0) {
            r += 360.0;
        }
        std::vector<Case> cases(static_cast<std::size_t>(speedCount));
        for (int i = 1; i <= speedCount; ++i) {
            Case &c = cases[static_cast<std::size_t>(i - 1)];
            const auto u = static_cast<float>(state.WindSpeeds[i]);
            if (observer != nullptr) {
                observer->progress(static_cast<double>(di) / static_cast<double>(directions.size()),
                                   formatSingle(u) + "\t" + formatSingle(D));
            }
            const bool bypassed = u == 0 && !state.TrafficTurbulence;
            if (!bypassed) {
                if (control.PauseRequested()) {
                    control.waitWhilePaused();
                    if (control.StopRequested()) {
                        // A stop while paused writes nothing: the previous files stay.
                        if (observer != nullptr) {
                            observer->runStopped(std::string());
                            observer->runStateChanged(false);
                        }
                        return SpecialModeOutcome::Stopped;
                    }
                }
                float uRoof = 0, F = 0, deltaFi = 0, sWRoof = 0, cst1 = 0, cst2 = 0;
                Flow_par(u, uRoof, F);
                const float shape = 3.0f - u / (u + 5.0f);
                Calc_Delta_Fi(uRoof, deltaFi);
                modelConcentrations(state, uRoof, static_cast<float>(r), deltaFi, sWTpt, shape, F, sWRoof,
                                    cst1, cst2);
                const float tau = residenceTime(H, sWRoof);
                float lengthScale = 1.0f, windScale = 1.0f;
                if (state.NormLengthScale == 1) {
                    lengthScale = W;
                } else if (state.NormLengthScale == 2) {
                    lengthScale = H;
                }
                if (state.NormWindScale == 1) {
                    windScale = uRoof;
                } else if (state.NormWindScale == 2) {
                    windScale = u;
                }
                if (use1) {
                    c.nox1 = emission * cst1 + bgNOx;
                    c.norm1 = cst1 * lengthScale * windScale;
                    if (withNO2 && tau >= 0) {
                        NO2NOX(bgNOx, bgO3, bgNO2, c.nox1, c.no21, c.o31, 0.05f, radiation, T, tau);
                    }
                }
                if (use2) {
                    c.nox2 = emission * cst2 + bgNOx;
                    c.norm2 = cst2 * lengthScale * windScale;
                    if (withNO2 && tau >= 0) {
                        NO2NOX(bgNOx, bgO3, bgNO2, c.nox2, c.no22, c.o32, 0.05f, radiation, T, tau);
                    }
                }
            }
            PrintText &v = files.veskout;
            v.item(printItem(D));
            for (float x : {u, c.nox1, c.nox2, c.no21, c.no22, c.o31, c.o32}) {
                v.zone();
                v.item(printItem(x));
            }
            v.endLine();
        }
        auto tableLine = [&](PrintText &f, auto value) {
            f.item(printItem(D));
            for (int i = 1; i <= speedCount; ++i) {
                f.tab(14 * i);
                f.item(printItem(value(cases[static_cast<std::size_t>(i - 1)])));
            }
            f.endLine();
        };
        tableLine(files.nox1, [&](const Case &c) { return state.Normalise ? c.norm1 : c.nox1; });
        tableLine(files.nox2, [&](const Case &c) { return state.Normalise ? c.norm2 : c.nox2; });
        if (withNO2) {
            tableLine(files.no21, [](const Case &c) { return c.no21; });
            tableLine(files.no22, [](const Case &c) { return c.no22; });
        }
        if (control.StopRequested()) {
            return finish(files, withNO2, staged, ui, observer, SpecialModeOutcome::Stopped,
                          "the wind direction " + formatSingle(D) + " at every wind speed");
        }
    }
    if (observer != nullptr) {
        observer->progress(1.0, std::string());
    }
    return finish(files, withNO2, staged, ui, observer, SpecialModeOutcome::Completed);
}

} // namespace vesk
