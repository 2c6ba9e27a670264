// The new project's street (a single street's configuration, a route file or
// a set of streets with its map) and its regional context: country, scenario
// year and city size.

#include "ui/inputdef/frmNewStreet.h"

#include "calc/FleetGeneration.h"
#include "core/Interaction.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "run/State.h"
#include "ui/common/DriveLetterNames.h"
#include "ui/inputdef/frmStreetConfig.h"
#include "ui/inputdef/frmStreetSet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

namespace vesk::ui {

namespace {

// The path of a stored streets or map file name, as the run finds it. A name
// on a drive of Windows stays as stored: the dialogs refuse it.
std::string inWorkDir(const std::string &stored, const State &s) {
    return stored.empty() || hasDriveLetter(stored) ? stored
                                                    : findStoredInput(stored, s.WorkDir, s.WorkDir, s.AppDir);
}
} // namespace

void frmNewStreet::btnStreetConf_Click() {
    State &s = m_state;
    if (!s.RouteMode && !s.MultiStreetMode) {
        s.ModelEnv.WorkDir = s.WorkDir;
        bool accepted = false;
        if (editStreet) {
            accepted = editStreet();
        } else {
            int defined = 0;
            accepted = EditSingleStreet(this, s, defined) && defined != 0;
        }
        StreetConfigDefined = StreetConfigDefined || accepted;
    } else if (s.RouteMode) {
        FileChoice choice;
        choice.title = "Open Route Data File";
        choice.field = "the route file";
        choice.folder = s.WorkDir;
        choice.filters = {"Route data (*.dat)|*.dat|*.txt|*.txt|All (*.*)|*.*"};
        if (const std::optional<std::string> path = m_interaction.chooseFile(choice);
            path && !path->empty()) {
            s.RouteFile = storedNameFor(*path, s.WorkDir);
            s.StreetName = projectNameOfFile(*path);
            s.StoredStreetName = s.StreetName;
            s.ProjectChanged = true;
            StreetConfigDefined = true;
        }
    } else {
        s.ModelEnv.WorkDir = s.WorkDir;
        StreetSetChoice choice;
        choice.streetsFile = inWorkDir(s.StreetsFile, s);
        choice.mapFile = inWorkDir(s.MapFile, s);
        choice.mapCoord = {s.MapCoord1, s.MapCoord2, s.MapCoord3, s.MapCoord4};
        if (editStreetSet) {
            editStreetSet(choice);
        } else {
            StreetSetContext context;
            context.workDir = s.WorkDir;
            context.trafficDir = s.TrafficDir;
            frmStreetSet::edit(choice, context, m_interaction, this);
        }
        if (!choice.streetsFile.empty()) {
            s.StreetsFile = storedNameFor(choice.streetsFile, s.WorkDir);
            s.StreetName = projectNameOfFile(choice.streetsFile);
            s.StoredStreetName = s.StreetName;
            s.ProjectChanged = true;
            StreetConfigDefined = true;
            showMap(choice);
        }
    }
    if (StreetConfigDefined) {
        chkStreetConf->setChecked(true);
        txtStreetName->setText(QString::fromStdString(s.StreetName));
        if (cmbTrfType->isEnabled() && isVisible()) {
            cmbTrfType->setFocus();
        }
    }
}

QString frmNewStreet::MapCaption() const {
    return FrameMap->title();
}

void frmNewStreet::showMap(const StreetSetChoice &choice) {
    State &s = m_state;
    if (choice.mapFile.empty()) {
        s.MapFile.clear();
        FrameMap->setTitle(QStringLiteral("Map Data"));
        Image1->clear();
        lblMap->show();
        return;
    }
    if (refuseDriveLetterName(m_interaction, choice.mapFile, "the map file")) {
        return; // the previous map stays
    }
    QPixmap picture;
    if (!picture.load(QString::fromStdString(choice.mapFile)) || picture.isNull()) {
        // The previous map stays.
        m_interaction.message("The map file " + choice.mapFile + " cannot be shown as a picture." + kCrLf +
                                  "The previous map is kept.",
                              Icon::Exclamation);
        return;
    }
    lblMap->hide();
    s.MapFile = storedNameFor(choice.mapFile, s.WorkDir);
    s.MapCoord1 = choice.mapCoord[0];
    s.MapCoord2 = choice.mapCoord[1];
    s.MapCoord3 = choice.mapCoord[2];
    s.MapCoord4 = choice.mapCoord[3];
    const QString caption =
        QStringLiteral("Map Data [") + QString::fromStdString(s.MapFile) + QLatin1Char(']');
    FrameMap->setTitle(
        FrameMap->fontMetrics().elidedText(caption, Qt::ElideMiddle, std::max(FrameMap->width() - 20, 120)));
    FrameMap->setToolTip(caption);
    // Scaled to the box, keeping its proportions, centred.
    Image1->setPixmap(picture.scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void frmNewStreet::cmbYear_Click(int index) {
    if (!DialogReady || index < 0) {
        return;
    }
    m_comboChosen = true;
    const YearChoice choice = chooseScenarioYear(m_state, m_interaction, cmbYear->itemText(index).toInt());
    if (choice == YearChoice::Declined || choice == YearChoice::Failed) {
        cmbYear->setCurrentIndex(cmbYear->findText(QString::number(m_state.LoadedScenarioYear)));
    }
}

void frmNewStreet::cmbCitySize_Click(int index) {
    if (!DialogReady || index < 0) {
        return;
    }
    m_state.CitySize = index + 1;
    m_comboChosen = true;
}

void frmNewStreet::cmbCountry_DropDown() {
    m_interaction.message(
        std::string("The Country settings cannot be changed when a New Project is initiated!") + kCrLf +
            "You must close the project in order to be able to change the Country settings.",
        Icon::Information);
    if (txtStreetName->isEnabled()) {
        txtStreetName->setFocus();
    } else {
        btnStreetConf->setFocus();
    }
}

} // namespace vesk::ui
