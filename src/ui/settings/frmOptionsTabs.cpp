// The tabs of the options dialog: their controls, built for the pollutants of
// the current country, and the wiring of the controls to the option values.

#include "run/State.h"
#include "ui/common/UpDownControl.h"
#include "ui/settings/EditBoxes.h"
#include "ui/settings/frmOptions.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace vesk::ui {

namespace {

constexpr int kRowHeight = 22;
constexpr int kColumnMargin = 4; // left and right of a pollutant column

QString indexed(const char *name, int i) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i);
}

template <typename W> W *named(W *widget, const QString &name) {
    widget->setObjectName(name);
    return widget;
}

QRadioButton *radio(QWidget *parent, const QString &name, const QString &caption) {
    return named(new QRadioButton(caption, parent), name);
}

QCheckBox *check(QWidget *parent, const char *name, const QString &caption) {
    return named(new QCheckBox(caption, parent), QString::fromLatin1(name));
}

QLabel *rowLabel(QWidget *parent, const QString &name, const QString &text) {
    auto *l = named(new QLabel(text, parent), name);
    l->setFixedHeight(kRowHeight);
    return l;
}

struct FamilyNames {
    const char *frame, *column, *button, *name;
    std::array<const char *, 4> rows;
    const char *mode;
};

FamilyNames namesOf(const char *prefix) {
    const std::string p = prefix;
    if (p == "Perc") {
        return {"frmPercentiles",
                "frmPerc",
                "OptPerc",
                "lbPerc",
                {"lbNONPerc", "lbMODPerc", "lbOBSPerc", "lbBothPerc"},
                "OptPercMode"};
    }
    if (p == "Run") {
        return {
            "frmRunning8",    "frmRun", "OptRun", "lbRun", {"lbNONrun", "lbMODrun", "lbOBSrun", "lbBothrun"},
            "OptPercRun8Mode"};
    }
    if (p == "Av") {
        return {"frmAverage", "frmAv", "OptAv", "lbAv", {"lbNONAv", "lbMODAv", "lbOBSAv", "lbBothAv"},
                nullptr};
    }
    return {"frmDaily",        "frmDay", "OptDay", "lbDay", {"lbNONDay", "lbMODDay", "lbOBSDay", "lbBothDay"},
            "OptPercDailyMode"};
}

QFrame *separator(QWidget *parent, const char *name) {
    auto *line = named(new QFrame(parent), QString::fromLatin1(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

QWidget *frmOptions::buildNO2Tab() {
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    chkNO2 = check(page, "chkNO2", QStringLiteral("Calculate NO2"));
    layout->addWidget(chkNO2);
    const char *captions[] = {"",
                              "NOX background (ppb)",
                              "NO2 background (ppb)",
                              "O3 background (ppb)",
                              "Temperature (Celcius)",
                              "Global Radiation (W/m²)"};
    auto *grid = new QGridLayout;
    for (int i = 1; i <= 5; ++i) {
        Frame1[i] = named(new QGroupBox(QString::fromUtf8(captions[i]), page), indexed("Frame1", i));
        auto *inner = new QVBoxLayout(Frame1[i]);
        Text1[i] = named(new QLineEdit(Frame1[i]), indexed("Text1", i));
        Text1[i]->setMaximumWidth(110);
        inner->addWidget(Text1[i]);
        grid->addWidget(Frame1[i], (i - 1) / 3, (i - 1) % 3);
    }
    layout->addLayout(grid);
    layout->addStretch();
    return page;
}

QWidget *frmOptions::buildNormalisedTab() {
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    chkNormalisation = check(page, "chkNormalisation", QStringLiteral("Normalise"));
    layout->addWidget(chkNormalisation);
    Frame2 = named(new QGroupBox(page), QStringLiteral("Frame2"));
    auto *row = new QHBoxLayout(Frame2);
    Frame3 = named(new QGroupBox(QStringLiteral("Wind scale"), Frame2), QStringLiteral("Frame3"));
    Frame4 = named(new QGroupBox(QStringLiteral("Length scale"), Frame2), QStringLiteral("Frame4"));
    const char *wind[] = {"", "u_roof", "u_mast", "none"};
    const char *length[] = {"", "Street width", "Street height", "none"};
    auto *windLayout = new QVBoxLayout(Frame3);
    auto *lengthLayout = new QVBoxLayout(Frame4);
    for (int i = 1; i <= 3; ++i) {
        Option1[i] = radio(Frame3, indexed("Option1", i), QString::fromLatin1(wind[i]));
        Option2[i] = radio(Frame4, indexed("Option2", i), QString::fromLatin1(length[i]));
        windLayout->addWidget(Option1[i]);
        lengthLayout->addWidget(Option2[i]);
    }
    row->addWidget(Frame3);
    row->addWidget(Frame4);
    layout->addWidget(Frame2);
    layout->addStretch();
    return page;
}

QWidget *frmOptions::buildAdvancedTab() {
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *note =
        named(new QLabel(QStringLiteral("OBS! This are special options, which should not be used for "
                                        "standard applications of VESK. These options are not saved "
                                        "with the Option file. "),
                         page),
              QStringLiteral("lblOBS"));
    note->setWordWrap(true);
    layout->addWidget(note);
    chkIntegration = check(page, "chkIntegration", QStringLiteral("No wind direction averaging"));
    chkTPT = check(page, "chkTPT", QStringLiteral("No Traffic Induced Turbulence"));
    chkWindAcc = check(page, "chkWindAcc", QStringLiteral("No wind acceleration"));
    for (QCheckBox *c : {chkIntegration, chkTPT, chkWindAcc}) {
        layout->addWidget(c);
    }
    layout->addStretch();
    return page;
}

QWidget *frmOptions::buildFamilyTab(Family &f, const char *prefix, const char *switchName,
                                    const QString &switchCaption) {
    const FamilyNames n = namesOf(prefix);
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    if (switchName) {
        f.calc = check(page, switchName, switchCaption);
        layout->addWidget(f.calc);
    } else {
        layout->addWidget(separator(page, "Line2"));
    }
    f.frame = named(new QGroupBox(QStringLiteral("Set Conditions"), page), QString::fromLatin1(n.frame));
    auto *frameLayout = new QVBoxLayout(f.frame);
    if (n.mode) {
        auto *modes = new QHBoxLayout;
        f.modes[0] = radio(f.frame, indexed(n.mode, 0), QStringLiteral("Show as n-Highest"));
        f.modes[1] =
            radio(f.frame, indexed(n.mode, 1), QStringLiteral("Show as Percentage of Available Data"));
        modes->addWidget(f.modes[0]);
        modes->addStretch();
        modes->addWidget(f.modes[1]);
        frameLayout->addLayout(modes);
    }
    // The pollutant headings wrap at blanks: every column is as wide as the
    // longest word of the headings needs, the heading row as high as the
    // tallest heading, so that no name is cut.
    std::vector<QString> captions;
    for (int i = 0; i <= m_state.NPol; ++i) {
        captions.push_back(i == 0 ? QStringLiteral("NOX")
                                  : QString::fromStdString(m_state.PollutantLongNames[i]));
    }
    const QFontMetrics metrics(f.frame->font());
    int columnWidth = 70;
    for (const QString &caption : captions) {
        for (const QString &word : caption.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            columnWidth = std::max(columnWidth, metrics.horizontalAdvance(word) + 2 * kColumnMargin + 4);
        }
    }
    int headingHeight = kRowHeight;
    for (const QString &caption : captions) {
        const QRect r = metrics.boundingRect(QRect(0, 0, columnWidth - 2 * kColumnMargin, 10000),
                                             Qt::TextWordWrap | Qt::AlignHCenter, caption);
        headingHeight = std::max(headingHeight, r.height() + 4);
    }
    auto *columns = new QHBoxLayout;
    columns->setSpacing(0);
    auto *rowColumn = new QVBoxLayout;
    rowColumn->setSpacing(0);
    rowColumn->addSpacing(headingHeight);
    const char *choices[] = {"None", "Modelled only", "Measured only", "Both"};
    for (int c = 0; c < 4; ++c) {
        f.rows[c] = rowLabel(f.frame, QString::fromLatin1(n.rows[c]), QString::fromLatin1(choices[c]));
        rowColumn->addWidget(f.rows[c]);
    }
    rowColumn->addStretch();
    columns->addLayout(rowColumn);
    for (int i = 0; i <= m_state.NPol; ++i) {
        auto *column = named(new QWidget(f.frame), indexed(n.column, i));
        column->setMinimumWidth(columnWidth);
        auto *v = new QVBoxLayout(column);
        v->setContentsMargins(kColumnMargin, 0, kColumnMargin, 0);
        v->setSpacing(0);
        const QString &caption = captions[static_cast<std::size_t>(i)];
        auto *name = rowLabel(column, indexed(n.name, i), caption);
        name->setWordWrap(true);
        name->setFixedHeight(headingHeight);
        name->setAlignment(Qt::AlignCenter);
        name->setToolTip(caption);
        v->addWidget(name);
        auto *group = new QButtonGroup(column); // one choice per pollutant
        for (int c = 0; c < 4; ++c) {
            auto *b = radio(column, indexed(n.button, 4 * i + c), QString());
            b->setFixedHeight(kRowHeight);
            b->setToolTip(caption + QStringLiteral(": ") + QString::fromLatin1(choices[c]));
            group->addButton(b);
            v->addWidget(b, 0, Qt::AlignHCenter);
            f.buttons.push_back(b);
        }
        v->addStretch();
        f.columns.push_back(column);
        f.names.push_back(name);
        columns->addWidget(column);
    }
    columns->addStretch();
    frameLayout->addLayout(columns);
    layout->addWidget(f.frame);
    if (!switchName) {
        layout->addWidget(separator(page, "Line1"));
        layout->addStretch();
    }
    return page;
}

QLineEdit *frmOptions::countBox(Family &f, QWidget *parent, const char *name, const char *label,
                                const QString &caption, UpDownControl **upDown, int upper) {
    auto *row = new QHBoxLayout;
    auto *box = named(new QLineEdit(parent), QString::fromLatin1(name));
    box->setMaximumWidth(50);
    auto *arrows = named(new UpDownControl(parent), QStringLiteral("UpDown") + QString::fromLatin1(name + 3));
    arrows->setRange(1, upper);
    auto *text = named(new QLabel(caption, parent), QString::fromLatin1(label));
    row->addWidget(box);
    row->addWidget(arrows);
    row->addWidget(text, 1);
    static_cast<QVBoxLayout *>(parent->layout())->addLayout(row);
    f.extras.insert(f.extras.end(), {box, arrows, text});
    *upDown = arrows;
    return box;
}

QWidget *frmOptions::buildGeneralTab() {
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    chkCalcAll = check(page, "chkCalcAll",
                       QStringLiteral("Calculate Percentiles and Averages only if Measurements and Model "
                                      "Results are available simultaneously"));
    layout->addWidget(chkCalcAll);
    auto *row = new QHBoxLayout;
    auto *summary =
        named(new QGroupBox(QStringLiteral("Results Summary"), page), QStringLiteral("frmSummary"));
    auto *summaryLayout = new QVBoxLayout(summary);
    chkShowRes = check(summary, "chkShowRes", QStringLiteral("Show Results Summary Auto"));
    chkShowIfLV = check(summary, "chkShowIfLV", QStringLiteral("Show only if a Limit Value is given"));
    summaryLayout->addWidget(chkShowRes);
    summaryLayout->addWidget(chkShowIfLV);
    for (int i = 0; i <= m_state.NPol; ++i) {
        const QString name =
            i == 0 ? QStringLiteral("NOX") : QString::fromStdString(m_state.PollutantLongNames[i]);
        auto *c = named(new QCheckBox(QStringLiteral("Show ") + name, summary), indexed("chkShowPOL", i));
        chkShowPOL.push_back(c);
        summaryLayout->addWidget(c);
    }
    auto *limits = named(new QGroupBox(QStringLiteral("Show Limit Values"), page), QStringLiteral("Frame9"));
    auto *limitsLayout = new QVBoxLayout(limits);
    const char *modes[] = {"Never", "Max Conc. Only", "All Receptors"};
    for (int k = 0; k < 3; ++k) {
        optShowLimitVal[k] = radio(limits, indexed("optShowLimitVal", k), QString::fromLatin1(modes[k]));
        limitsLayout->addWidget(optShowLimitVal[k]);
    }
    limitsLayout->addStretch();
    row->addWidget(summary);
    row->addWidget(limits, 0, Qt::AlignTop);
    layout->addLayout(row);
    layout->addStretch();
    return page;
}

void frmOptions::connectHandlers() {
    State &s = m_state;
    connect(chkNO2, &QCheckBox::clicked, this, [this](bool on) {
        if (m_boxes->ready) {
            m_state.CalcNO2 = on ? 1 : 0;
            showNO2Enabled();
            markChanged();
        }
    });
    connect(chkNormalisation, &QCheckBox::clicked, this, [this](bool on) {
        if (m_boxes->ready) {
            m_state.Normalise = on;
            for (QWidget *w : {static_cast<QWidget *>(Frame2), static_cast<QWidget *>(Frame3),
                               static_cast<QWidget *>(Frame4)}) {
                w->setEnabled(on);
            }
            markChanged();
        }
    });
    const int codes[] = {0, 1, 2, 0};
    for (int i = 1; i <= 3; ++i) {
        connect(Option1[i], &QRadioButton::clicked, this, [this, code = codes[i]] {
            if (m_boxes->ready) {
                m_state.NormWindScale = code;
                markChanged();
            }
        });
        connect(Option2[i], &QRadioButton::clicked, this, [this, code = codes[i]] {
            if (m_boxes->ready) {
                m_state.NormLengthScale = code;
                markChanged();
            }
        });
    }
    // The advanced switches are not kept in the option file.
    connect(chkIntegration, &QCheckBox::clicked, this, [this](bool on) {
        if (m_boxes->ready) {
            m_state.WindIntegration = on ? 0 : 1;
            markChanged(false);
        }
    });
    connect(chkTPT, &QCheckBox::clicked, this, [this](bool on) {
        if (m_boxes->ready) {
            m_state.TrafficTurbulence = !on;
            markChanged(false);
        }
    });
    connect(chkWindAcc, &QCheckBox::clicked, this, [this](bool on) {
        if (m_boxes->ready) {
            m_state.NoWindAcceleration = on;
            markChanged(false);
        }
    });

    for (Family *f : {&Perc, &Run8, &Av, &Day}) {
        if (f->calc) {
            connect(f->calc, &QCheckBox::clicked, this, [this, f](bool on) {
                if (m_boxes->ready) {
                    *f->switchVar = on;
                    enableFamily(*f, on);
                    markChanged();
                }
            });
        }
        for (int k = 0; k < 2 && f->modeVar; ++k) {
            connect(f->modes[k], &QRadioButton::clicked, this, [this, f, k] {
                if (m_boxes->ready) {
                    *f->modeVar = k;
                    markChanged();
                }
            });
        }
        for (int k = 0; k < static_cast<int>(f->buttons.size()); ++k) {
            connect(f->buttons[k], &QRadioButton::clicked, this, [this, f, k] {
                if (m_boxes->ready) {
                    (*f->sources)[k / 4] = k % 4;
                    markChanged();
                }
            });
        }
    }
    struct Count {
        QLineEdit *box;
        UpDownControl *arrows;
        int upper;
        int *variable;
    };
    for (const Count &c : {Count{txtMinNobs8, UpDownMinNobs8, 8, &s.MinNobs8},
                           Count{txtMinDailyMax, UpDownMinDailyMax, 24, &s.MinDailyMax},
                           Count{txtMinNobsDay, UpDownMinNobsDay, 24, &s.MinNobsDay}}) {
        m_boxes->add(c.box, [this, c] { return checkCount(c.box, c.upper, c.variable); });
        connect(c.arrows, &UpDownControl::changed, this, [this, c](int value) {
            c.box->setFocus();
            c.box->setText(QString::number(value));
            m_boxes->markEdited(c.box);
        });
    }
    for (int i = 1; i <= 5; ++i) {
        m_boxes->add(Text1[i], [this, i] { return CheckBackground(i); });
    }

    auto general = [this](QCheckBox *box, bool *variable) {
        connect(box, &QCheckBox::clicked, this, [this, variable](bool on) {
            if (m_boxes->ready) {
                *variable = on;
                markChanged();
            }
        });
    };
    general(chkCalcAll, &s.CalcOnlyIfBoth);
    general(chkShowRes, &s.ShowResultsAuto);
    general(chkShowIfLV, &s.ShowOnlyIfLV);
    for (int i = 0; i < static_cast<int>(chkShowPOL.size()); ++i) {
        connect(chkShowPOL[i], &QCheckBox::clicked, this, [this, i](bool on) {
            if (m_boxes->ready) {
                m_state.ShowPol[static_cast<std::size_t>(i)] = on;
                markChanged();
            }
        });
    }
    for (int k = 0; k < 3; ++k) {
        connect(optShowLimitVal[k], &QRadioButton::clicked, this, [this, k] {
            if (m_boxes->ready) {
                m_state.ShowLimitValMode = k;
                markChanged();
            }
        });
    }
}

} // namespace vesk::ui
