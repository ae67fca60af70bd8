#include "settings/Form4.h"

#include "app/AppContext.h"
#include "settings/SettingsRules.h"
#include "storage/SettingsTables.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;
using SettingsRules::IntervalProblem;

namespace {

// Every user-visible text of the application settings window.
namespace Text {
const QString kCaption = u"Settings"_s;
const QString kPingLabel = u"Korvane Timer Interval (Min)"_s;
const QString kPingTip = u"The number of minutes in between each Ping Job. Two charaters only"_s;
const QString kServicesLabel = u"Tallis Timer Interval (Min)"_s;
const QString kServicesTip =
    u"The number of minutes in between each Service Job. Two charaters only"_s;
const QString kAutoPingLabel = u"Auto Start Pinger Feature"_s;
const QString kAutoServicesLabel = u"Auto Start Services Feature"_s;
const QString kNotificationsLabel = u"Desktop Notifications"_s;
const QString kYes = u"Yes"_s;
const QString kNo = u"No"_s;
const QString kSave = u"Save"_s;
const QString kSaveTip = u"Click here to save any changes and close this window"_s;
const QString kEmptyFieldTitle = u"Empty Field"_s;
const QString kInvalidDataTitle = u"Invalid Data"_s;
const QString kPingEmpty = u"The Korvane timer interval field can not be blank."_s;
const QString kServicesEmpty = u"The Tallis timer interval field can not be blank."_s;
const QString kPingNotNumber = u"The Korvane timer interval must be a number."_s;
const QString kServicesNotNumber = u"The Tallis timer interval must be a number."_s;
const QString kPingHasPoint = u"The Korvane timer interval can only have numbers."_s;
const QString kServicesHasPoint = u"The Tallis timer interval can only have numbers."_s;
const QString kPingNotPositive = u"The Korvane timer interval must be greater than 0."_s;
const QString kServicesNotPositive = u"The Tallis timer interval must be greater than 0."_s;
const QString kUpdatedTitle = u"Updated"_s;
const QString kSaved = u"Your changes have been saved."_s;
const QString kDatabaseErrorTitle = u"Database Error"_s;
const QString kLoadFailed = u"The settings could not be read from the database: %1."_s;
const QString kSaveFailed =
    u"The settings could not be saved: %1. Nothing has been changed in the database."_s;
} // namespace Text

constexpr int kMaxLength = 2;

struct Report {
    QString title;
    QString text;
};

Report reportOf(IntervalProblem problem) {
    switch (problem) {
    case IntervalProblem::PingEmpty:
        return {Text::kEmptyFieldTitle, Text::kPingEmpty};
    case IntervalProblem::ServicesEmpty:
        return {Text::kEmptyFieldTitle, Text::kServicesEmpty};
    case IntervalProblem::PingNotNumber:
        return {Text::kInvalidDataTitle, Text::kPingNotNumber};
    case IntervalProblem::ServicesNotNumber:
        return {Text::kInvalidDataTitle, Text::kServicesNotNumber};
    case IntervalProblem::PingHasPoint:
        return {Text::kInvalidDataTitle, Text::kPingHasPoint};
    case IntervalProblem::ServicesHasPoint:
        return {Text::kInvalidDataTitle, Text::kServicesHasPoint};
    case IntervalProblem::PingNotPositive:
        return {Text::kInvalidDataTitle, Text::kPingNotPositive};
    case IntervalProblem::ServicesNotPositive:
        return {Text::kInvalidDataTitle, Text::kServicesNotPositive};
    case IntervalProblem::None:
        break;
    }
    return {};
}

} // namespace

Form4::Form4(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx) {
    setObjectName(u"Form4"_s);
    setWindowTitle(Text::kCaption);
    setModal(true);

    auto named = [this](auto* widget, const QString& name) {
        widget->setObjectName(name);
        return widget;
    };
    Label1 = named(new QLabel(Text::kPingLabel, this), u"Label1"_s);
    Text1 = named(new QLineEdit(this), u"Text1"_s);
    Text1->setToolTip(Text::kPingTip);
    Text1->setMaxLength(kMaxLength);
    Label2 = named(new QLabel(Text::kServicesLabel, this), u"Label2"_s);
    Text2 = named(new QLineEdit(this), u"Text2"_s);
    Text2->setToolTip(Text::kServicesTip);
    Text2->setMaxLength(kMaxLength);
    // A screen reader names each box after its label.
    Label1->setBuddy(Text1);
    Label2->setBuddy(Text2);
    Label3 = named(new QLabel(Text::kAutoPingLabel, this), u"Label3"_s);
    Check1 = named(new QCheckBox(Text::kYes, this), u"Check1"_s);
    Check2 = named(new QCheckBox(Text::kNo, this), u"Check2"_s);
    Label4 = named(new QLabel(Text::kAutoServicesLabel, this), u"Label4"_s);
    Check3 = named(new QCheckBox(Text::kYes, this), u"Check3"_s);
    Check4 = named(new QCheckBox(Text::kNo, this), u"Check4"_s);
    Label5 = named(new QLabel(Text::kNotificationsLabel, this), u"Label5"_s);
    Check5 = named(new QCheckBox(Text::kYes, this), u"Check5"_s);
    Check6 = named(new QCheckBox(Text::kNo, this), u"Check6"_s);
    Command1 = named(new QPushButton(Text::kSave, this), u"Command1"_s);
    Command1->setToolTip(Text::kSaveTip);
    Command1->setAutoDefault(false);

    // A screen reader says which choice a Yes or No box belongs to.
    const std::pair<QLabel*, QCheckBox*> choices[] = {{Label3, Check1}, {Label3, Check2},
                                                      {Label4, Check3}, {Label4, Check4},
                                                      {Label5, Check5}, {Label5, Check6}};
    for (const auto& [label, box] : choices)
        box->setAccessibleName(label->text() + u" "_s + box->text());

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Text1, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Text2, 1, 1);
    auto* pinger = new QHBoxLayout;
    pinger->addWidget(Check1);
    pinger->addWidget(Check2);
    grid->addWidget(Label3, 2, 0);
    grid->addLayout(pinger, 2, 1);
    auto* services = new QHBoxLayout;
    services->addWidget(Check3);
    services->addWidget(Check4);
    grid->addWidget(Label4, 3, 0);
    grid->addLayout(services, 3, 1);
    auto* notifications = new QHBoxLayout;
    notifications->addWidget(Check5);
    notifications->addWidget(Check6);
    grid->addWidget(Label5, 4, 0);
    grid->addLayout(notifications, 4, 1);
    grid->addWidget(Command1, 5, 1, Qt::AlignRight);

    connect(Text1, &QLineEdit::textChanged, this, &Form4::Text1_Change);
    connect(Check1, &QCheckBox::toggled, this, &Form4::Check1_Click);
    connect(Check2, &QCheckBox::toggled, this, &Form4::Check2_Click);
    connect(Check3, &QCheckBox::toggled, this, &Form4::Check3_Click);
    connect(Check4, &QCheckBox::toggled, this, &Form4::Check4_Click);
    connect(Check5, &QCheckBox::toggled, this, &Form4::Check5_Click);
    connect(Check6, &QCheckBox::toggled, this, &Form4::Check6_Click);
    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
}

Form4::~Form4() = default;

void Form4::showModal(AppContext& ctx, QWidget* parent) {
    Form4 form(ctx, parent);
    if (form.Form_Load())
        form.exec();
}

bool Form4::Form_Load() {
    const DbResult<SettingsRow> settings = SettingsTable(m_ctx.databasePath()).read();
    if (!settings.ok()) {
        m_ctx.dialogs().critical(
            Text::kDatabaseErrorTitle,
            Text::kLoadFailed.arg(SettingsRules::databaseFailureReason(settings.status)));
        return false;
    }
    Text1->setText(settings.value.pingTimerSeconds);
    Text2->setText(settings.value.servicesTimerSeconds);
    (settings.value.autoStartPinger ? Check1 : Check2)->setChecked(true);
    (settings.value.autoStartServices ? Check3 : Check4)->setChecked(true);
    (settings.value.desktopNotifications ? Check5 : Check6)->setChecked(true);
    return true;
}

void Form4::Text1_Change() {
    const QString trimmed = SettingsRules::trimBlanks(Text1->text());
    if (trimmed != Text1->text())
        Text1->setText(trimmed);
}

void Form4::pairClick(QCheckBox* box, QCheckBox* partner) {
    switch (SettingsRules::yesNoPairClick(box->isChecked(), partner->isChecked())) {
    case SettingsRules::PairAction::UncheckPartner:
        partner->setChecked(false);
        break;
    case SettingsRules::PairAction::CheckAgain:
        box->setChecked(true);
        break;
    case SettingsRules::PairAction::Nothing:
        break;
    }
}

void Form4::Check1_Click() {
    pairClick(Check1, Check2);
}
void Form4::Check2_Click() {
    pairClick(Check2, Check1);
}
void Form4::Check3_Click() {
    pairClick(Check3, Check4);
}
void Form4::Check4_Click() {
    pairClick(Check4, Check3);
}
void Form4::Check5_Click() {
    pairClick(Check5, Check6);
}
void Form4::Check6_Click() {
    pairClick(Check6, Check5);
}

void Form4::Command1_Click() {
    const IntervalProblem problem = SettingsRules::checkIntervals(Text1->text(), Text2->text());
    if (problem != IntervalProblem::None) {
        const Report report = reportOf(problem);
        m_ctx.dialogs().information(report.title, report.text);
        QLineEdit* field = SettingsRules::fieldOf(problem) == 0 ? Text1 : Text2;
        if (SettingsRules::emptiesField(problem))
            field->clear();
        field->setFocus();
        return;
    }
    const DbStatus saved =
        SettingsTable(m_ctx.databasePath())
            .write(leadingWholeNumber(Text1->text()), leadingWholeNumber(Text2->text()),
                   Check1->isChecked(), Check3->isChecked(), Check5->isChecked());
    if (!saved.ok()) {
        m_ctx.dialogs().critical(
            Text::kDatabaseErrorTitle,
            Text::kSaveFailed.arg(SettingsRules::databaseFailureReason(saved)));
        return;
    }
    // The desktop notifications follow the choice at once; the monitors read their values
    // the next time they fetch them.
    m_ctx.setDesktopNotifications(Check5->isChecked());
    m_ctx.dialogs().information(Text::kUpdatedTitle, Text::kSaved);
    accept();
}
