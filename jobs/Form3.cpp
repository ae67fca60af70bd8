#include "jobs/Form3.h"

#include "app/MonitorHost.h"
#include "app/PictureButton.h"
#include "jobs/JobCycle.h"
#include "jobs/JobTexts.h"
#include "platform/LogicalDisks.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QLabel* statusLabel(QWidget* parent, const QString& name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setWordWrap(true);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

} // namespace

Form3::Form3(AppContext& ctx, MonitorHost& host, MailWindows& mailWindows, QWidget* parent,
             std::shared_ptr<LogicalDisks> disks)
    : QWidget(parent, Qt::Window) {
    setObjectName(u"Form3"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(JobTexts::kCaption);
    buildControls();

    JobControls controls;
    controls.Command1 = Command1;
    controls.Command2 = Command2;
    controls.Command3 = Command3;
    controls.Text1 = Text1;
    controls.Timer1 = Timer1;
    controls.Label1 = Label1;
    controls.Label2 = Label2;
    controls.Label3 = Label3;
    controls.Label4 = Label4;
    m_cycle = new JobCycle(ctx, host, mailWindows, controls, std::move(disks), this);
    connect(Command1, &QToolButton::clicked, m_cycle, &JobCycle::Command1_Click);
    connect(Command2, &QToolButton::clicked, m_cycle, &JobCycle::Command2_Click);
    connect(Command3, &QToolButton::clicked, m_cycle, &JobCycle::Command3_Click);
    connect(Timer1, &QTimer::timeout, m_cycle, &JobCycle::Timer1_Timer);
}

Form3::~Form3() = default;

void Form3::buildControls() {
    Command1 = pictureButton(this, u"Command1"_s, u"korvane-running"_s, JobTexts::kStartTip,
                             JobTexts::kStartName);
    Command2 = pictureButton(this, u"Command2"_s, u"korvane-stopped"_s, JobTexts::kStopTip,
                             JobTexts::kStopName);
    Command3 = pictureButton(this, u"Command3"_s, u"korvane-paused"_s, JobTexts::kPauseTip,
                             JobTexts::kPauseName);
    Label1 = statusLabel(this, u"Label1"_s);
    Label2 = statusLabel(this, u"Label2"_s);
    Label3 = statusLabel(this, u"Label3"_s);
    Label4 = statusLabel(this, u"Label4"_s);
    Label4->setToolTip(JobTexts::kJobCountTip);

    // The focus holder takes the focus after each button press; it lies outside the view.
    Text1 = new QLineEdit(this);
    Text1->setObjectName(u"Text1"_s);
    Text1->setGeometry(-200, -200, 20, 20);
    Text1->setAccessibleName(JobTexts::kFocusName);
    Text1->setAccessibleDescription(JobTexts::kFocusDescription);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(20000);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addWidget(Command3);
    buttons->addSpacing(12);
    buttons->addWidget(Label4, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(Label2);
    layout->addWidget(Label3);
    layout->addWidget(Label1, 1);
    resize(560, 260);
}

Form3* Form3::openWindow(QWidget* parent) {
    const auto windows = parent->findChildren<Form3*>(QString(), Qt::FindDirectChildrenOnly);
    for (Form3* w : windows) {
        if (!w->isUnloaded())
            return w;
    }
    return nullptr;
}

Form3* Form3::showShared(AppContext& ctx, MonitorHost& host, MailWindows& mailWindows,
                         QWidget* parent) {
    host.setJobScanningChecked(true);
    if (Form3* open = openWindow(parent)) {
        open->show();
        open->raise();
        open->activateWindow();
        return open;
    }
    auto* form = new Form3(ctx, host, mailWindows, parent, createLogicalDisks());
    form->Form_Load();
    return form;
}

void Form3::unloadShared(QWidget* parent) {
    if (Form3* open = openWindow(parent))
        open->close();
}

void Form3::Form_Load() {
    Command1->setEnabled(true);
    Command2->setEnabled(false);
    Command3->setEnabled(false);
    show();
    m_cycle->fncCheckForAutoStart();
}

void Form3::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void Form3::Form_Unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_cycle->unload();
}
