#include "run/InputFileCheck.h"

#include "run/RunContext.h"
#include "run/StreetChain.h"

namespace vesk {

namespace {

// The reading asks nothing; what it would say ends it as an error instead.
class Silent : public Interaction {
public:
    void message(const std::string &, Icon, const std::string &) override {}
    Answer question(const std::string &, Buttons, Icon, Answer defaultAnswer, const std::string &) override {
        return defaultAnswer;
    }
    std::optional<std::string> inputBox(const std::string &, const std::string &,
                                        const std::string &) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseFile(const FileChoice &) override { return std::nullopt; }
};

} // namespace

std::string hourlyInputFileProblem(const State &state, const std::string &path,
                                   const FileFormatLists &lists) {
    // A project of one street whose only input is the file.
    State s = state;
    s.NumInputFiles = 1;
    s.InputFileChecked.fill(false);
    s.InputFiles[1] = path;
    s.InputFileChecked[1] = true;
    s.InputVarLists[1] = lists.varList;
    s.InputFormatLists[1] = lists.formatList;
    s.InputScalingLists[1] = lists.scalingList;
    s.MultiStreetMode = false;
    s.RouteMode = false;
    s.StartAuto = true;
    s.EndAuto = true;

    Silent ui;
    RunControl control;
    run::RunFiles files;
    run::RunContext c(s, ui, control, nullptr, files);
    long hours = 0;
    try {
        resizeHourArrays(s);
        c.VehCatCount = s.EmissionComponent.VehicleCategories.Count();
        run::bindInputFiles(c);
        for (;;) {
            if (!run::readHour(c)) {
                break;
            }
            const run::DateOutcome dated = run::dateHour(c);
            if (dated == run::DateOutcome::EndOfInput) {
                break;
            }
            hours += dated == run::DateOutcome::Accept ? 1 : 0;
        }
    } catch (const run::RunRefusal &r) {
        return r.text;
    } catch (const RunError &e) {
        c.err.Description = e.what();
        c.err.NoHourYet = c.NoHourYet;
        c.err.day = c.items.day;
        c.err.month = c.items.month;
        c.err.hour = c.s.hour;
        const RunMessage m = runMessage(e.number(), c.err);
        return m.text.empty() ? std::string(e.what()) : m.text;
    } catch (const std::exception &e) {
        return "The input file\r\n" + path + "\r\ncannot be read: " + e.what();
    }
    if (hours == 0) {
        return "The input file\r\n" + path + "\r\nholds no hour that a calculation could read.";
    }
    return {};
}

} // namespace vesk
