#pragma once

// A program folder with the demo country's lists, for the start-up and
// country-list tests, and a started state on it.

#include "project/InitProgram.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace vesk::test {

struct ProgramDir {
    TempDir dir;
    ProgramDir() {
        for (const char *file : {"Countries.ini", "MathPars.ini"}) {
            fs::copy_file(dataDir() / file, dir.path() / file);
        }
        fs::copy(dataDir() / "Lists", dir.path() / "Lists", fs::copy_options::recursive);
    }
    std::string path() const { return dir.path().string(); }
    std::string appDir() const { return path() + "/"; }
    std::string lists() const { return appDir() + "Lists/National/DL/"; }
    void write(const std::string &relative, const std::string &text) const { dir.write(relative, text); }
    void remove(const std::string &relative) const { fs::remove(dir.path() / relative); }
    // A second country "Utopia" (code UT) with a copy of the demo lists.
    void addUtopia() const {
        fs::copy(dir.path() / "Lists/National/DL", dir.path() / "Lists/National/UT",
                 fs::copy_options::recursive);
        write("Countries.ini",
              "Country Code Default\r\n\"Demoland\",\"DL\",#TRUE#\r\n\"Utopia\",\"UT\",#FALSE#\r\n");
    }
};

// A state started on a ProgramDir; fails the test when start-up fails.
// StateType is the part of the state the test works on (the whole State for
// tests above the project floor).
template <typename StateType = ProjectState> struct StartedAs {
    StateType state;
    ScriptedInteraction ui;
    MemorySettings settings;
    explicit StartedAs(const ProgramDir &dir, int currentYear = 2020) {
        state.CurrentYear = currentYear;
        EXPECT_TRUE(InitProgram(state, dir.path(), ui, settings, nullptr));
        EXPECT_TRUE(ui.messages.empty()) << (ui.messages.empty() ? "" : ui.messages.front());
        ui.messages.clear();
    }
};
using Started = StartedAs<>;

} // namespace vesk::test
