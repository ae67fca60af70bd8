#include "app/Form1.h"

#include "app/AppContext.h"
#include "app/DatabaseTrap.h"
#include "app/DeviceListModel.h"
#include "app/DeviceListReader.h"
#include "app/Log.h"
#include "app/PictureButton.h"
#include "app/TrayIcon.h"
#include "app/Twips.h"
#include "editors/Form2.h"
#include "editors/Form6.h"
#include "jobs/Form3.h"
#include "jobs/JobCycle.h"
#include "mail/MailWindows.h"
#include "ping/PingCycle.h"
#include "settings/Form4.h"
#include "settings/Form7.h"
#include "storage/DeviceTable.h"
#include "storage/SettingsTables.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

// Every user-visible text of the main window.
namespace Text {
const QString kStartTip = u"Click here to start the Ping process"_s;
const QString kStopTip = u"Click here to stop the Ping process"_s;
const QString kPauseTip = u"Click here to Pause the Ping process"_s;
const QString kListTip = u"Current Working Ping List & Status"_s;
const QString kPreparing = u"Preparing...."_s;
const QString kColumnName = u"Device Name"_s;
const QString kColumnStatus = u"Last Logged Status"_s;
const QString kColumnAction = u"Last Logged Action Taken"_s;
const QString kReadMe = u"Read Me"_s;
const QString kPausedEditRefused =
    u"You can't edit the ping list list in the paused state. Please click the stop button."_s;
const QString kAboutTitle = u"About Korvane"_s;
// What a screen reader says of the controls without a caption.
const QString kStartName = u"Start"_s;
const QString kStopName = u"Stop"_s;
const QString kPauseName = u"Pause"_s;
const QString kListName = u"Ping list"_s;
const QString kFocusName = u"Ping monitor"_s;
const QString kFocusDescription = u"Press Tab to reach the buttons and the ping list"_s;
} // namespace Text

QLabel* label(QWidget* parent, const QString& name, const QString& text = {}) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

} // namespace

QString Form1::versionText() {
    return u"%1.%2.%3"_s.arg(KORVANE_VERSION_MAJOR)
        .arg(KORVANE_VERSION_MINOR)
        .arg(KORVANE_VERSION_PATCH);
}

QString Form1::designCaption() {
    return u"Korvane & Services - Network & File Monitoring Tools"_s;
}

QString Form1::productWebPage() {
    return u"https://www.brackwater.invalid/korvane/"_s;
}

QString Form1::aboutText() {
    return u"Korvane "_s + versionText() + u"\n\n"_s + u"Network & File Monitoring Tools"_s +
           u"\n\n"_s + u"Developed by Brackwater, written by Halloran"_s + u"\n\n"_s +
           productWebPage();
}

Form1::Form1(AppContext& ctx, QWidget* parent) : QMainWindow(parent), m_ctx(ctx) {
    setObjectName(u"Form1"_s);
    m_ui.window = this;
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(designCaption());
    buildControls();
    buildMenus();
    resize(720, 480);

    m_listReader = new DeviceListReader(this);
    connect(m_listReader, &DeviceListReader::devicesRead, this, &Form1::devicesRead);
    connect(m_listReader, &DeviceListReader::readFailed, this, &Form1::devicesReadFailed);

    m_mailWindows = new MailWindows(this);
    m_pingCycle = new PingCycle(m_ctx, *this, *m_mailWindows, m_ui, this);
    connect(m_ui.Command1, &QAbstractButton::clicked, this, &Form1::Command1_Click);
    connect(m_ui.Command2, &QAbstractButton::clicked, this, &Form1::Command2_Click);
    connect(m_ui.Command3, &QAbstractButton::clicked, this, &Form1::Command3_Click);
    connect(m_ui.Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(m_ui.Timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);
    connect(m_pingCycle, &PingCycle::stateChanged, this, &Form1::updateTray);
    connect(m_pingCycle, &PingCycle::resultHandled, this, [this] {
        m_tray.pingOutcome = m_ui.Label3->text();
        updateTray();
    });
}

Form1::~Form1() {
    // A job monitor window still here goes after this window's own parts: from now on it tells
    // this window nothing.
    const auto jobWindows = findChildren<Form3*>(QString(), Qt::FindDirectChildrenOnly);
    for (Form3* window : jobWindows) {
        disconnect(window, nullptr, this, nullptr);
        disconnect(&window->cycle(), nullptr, this, nullptr);
    }
    // The monitor goes first, while the controls it drives are still there.
    delete m_pingCycle;
}

void Form1::buildControls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);

    m_ui.Command1 = pictureButton(central, u"Command1"_s, u"korvane-running"_s, Text::kStartTip,
                                  Text::kStartName);
    m_ui.Command2 = pictureButton(central, u"Command2"_s, u"korvane-stopped"_s, Text::kStopTip,
                                  Text::kStopName);
    m_ui.Command3 = pictureButton(central, u"Command3"_s, u"korvane-paused"_s, Text::kPauseTip,
                                  Text::kPauseName);

    m_ui.Label1 = label(central, u"Label1"_s);
    m_ui.Label1->setFont(QFont(u"Courier New"_s));
    m_ui.Label3 = label(central, u"Label3"_s, Text::kPreparing);
    m_ui.Label4 = label(central, u"Label4"_s);
    m_ui.Label5 = label(central, u"Label5"_s);

    m_deviceList = new DeviceListModel(this);
    ListView1 = new QTreeView(central);
    m_ui.ListView1 = ListView1;
    ListView1->setObjectName(u"ListView1"_s);
    ListView1->setToolTip(Text::kListTip);
    ListView1->setAccessibleName(Text::kListName);
    ListView1->setModel(m_deviceList);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->header()->setStretchLastSection(false);

    // The focus holder takes the focus after each button action; it lies outside the view.
    m_ui.Text1 = new QLineEdit(u"Text1"_s, central);
    m_ui.Text1->setObjectName(u"Text1"_s);
    m_ui.Text1->setGeometry(-200, -200, 20, 20);
    m_ui.Text1->setAccessibleName(Text::kFocusName);
    m_ui.Text1->setAccessibleDescription(Text::kFocusDescription);

    m_ui.Timer1 = new QTimer(this);
    m_ui.Timer1->setObjectName(u"Timer1"_s);
    m_ui.Timer1->setInterval(m_ctx.tick(std::chrono::minutes(1)));
    m_ui.Timer2 = new QTimer(this);
    m_ui.Timer2->setObjectName(u"Timer2"_s);
    // The probe's result is picked up three seconds after the probe.
    m_ui.Timer2->setInterval(m_ctx.tick(std::chrono::seconds(3)));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_ui.Command1);
    buttons->addWidget(m_ui.Command2);
    buttons->addWidget(m_ui.Command3);
    buttons->addSpacing(12);
    buttons->addWidget(m_ui.Label1, 1);

    auto* layout = new QVBoxLayout(central);
    layout->addLayout(buttons);
    layout->addWidget(m_ui.Label3);
    layout->addWidget(m_ui.Label4);
    layout->addWidget(m_ui.Label5);
    layout->addWidget(ListView1, 1);
}

// Each caption marks its keyboard accelerator with "&" (Alt+E opens Edit); the menus show the
// caption without it, the letter underlined.
void Form1::buildMenus() {
    auto action = [this](QMenu* menu, const QString& name, const QString& caption,
                         void (Form1::*slot)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto menu = [this](const QString& name, const QString& caption) {
        QMenu* m = menuBar()->addMenu(caption);
        m->setObjectName(name);
        m->menuAction()->setObjectName(name + u"Action"_s);
        return m;
    };

    mnuEdit = menu(u"mnuEdit"_s, u"&Edit"_s);
    mnuPingList =
        action(mnuEdit, u"mnuPingList"_s, u"Edit &Ping Database"_s, &Form1::mnuPingList_Click);
    mnuEditRemoteServicesDatabaseList =
        action(mnuEdit, u"mnuEditRemoteServicesDatabaseList"_s,
               u"Edit &Remote Services/File Age/File Exist/Drive Exist Database"_s,
               &Form1::mnuEditRemoteServicesDatabaseList_Click);
    mnuExit = action(mnuEdit, u"mnuExit"_s, u"E&xit"_s, &Form1::mnuExit_Click);

    mnuServices = menu(u"mnuServices"_s, u"&Remote Services"_s);
    mnuRemoteServicesScanning =
        action(mnuServices, u"mnuRemoteServicesScanning"_s,
               u"&Start Services/File Age/File Exist/Drive Exist Scanning"_s,
               &Form1::mnuRemoteServicesScanning_Click);
    mnuRemoteServicesScanning->setCheckable(true);

    mnuSettingsMain = menu(u"mnuSettingsMain"_s, u"&Settings"_s);
    mnuEmailSettings = action(mnuSettingsMain, u"mnuEmailSettings"_s, u"&Email Settings"_s,
                              &Form1::mnuEmailSettings_Click);
    mnuApplicationSettings =
        action(mnuSettingsMain, u"mnuApplicationSettings"_s, u"&Application Settings"_s,
               &Form1::mnuApplicationSettings_Click);

    mnuHelp = menu(u"mnuHelp"_s, u"&Help"_s);
    mnuKorvaneOnline = action(mnuHelp, u"mnuKorvaneOnline"_s, u"&Korvane Online"_s,
                              &Form1::mnuKorvaneOnline_Click);
    mnuAbout = action(mnuHelp, u"mnuAbout"_s, u"&About"_s, &Form1::mnuAbout_Click);
}

bool Form1::Form_Load() {
    setWindowTitle(designCaption() + u" - Version "_s + versionText());
    m_deviceList->setColumnCaptions({Text::kColumnName, Text::kColumnStatus, Text::kColumnAction});

    m_ctx.values().blForm1isRunning = false;
    m_ctx.values().blForm3isRunning = false;
    m_ui.Label3->clear();
    m_ui.Command2->setEnabled(false);
    m_ui.Command3->setEnabled(false);

    m_ctx.values().fncGetSMTPsettings(m_ctx.databasePath());
    fncReloadAllRecords();
    if (ended())
        return false;
    show();
    qCInfo(lcApp) << "main window shown";
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_trayIcon = new TrayIcon(this);
        connect(m_trayIcon, &TrayIcon::startPingRequested, this, &Form1::trayStartPing);
        connect(m_trayIcon, &TrayIcon::stopPingRequested, this, &Form1::trayStopPing);
        connect(m_trayIcon, &TrayIcon::startJobsRequested, this, &Form1::trayStartJobs);
        connect(m_trayIcon, &TrayIcon::stopJobsRequested, this, &Form1::trayStopJobs);
        connect(m_trayIcon, &TrayIcon::showRequested, this, &Form1::trayShow);
        connect(m_trayIcon, &TrayIcon::quitRequested, this, &Form1::mnuExit_Click);
        connect(m_trayIcon, &TrayIcon::menuAboutToShow, this, &Form1::updateTray);
    }
    updateTray();

    fncCheckForAutoStart();
    if (ended())
        return false;
    if (m_autoStartJobs)
        mnuRemoteServicesScanning_Click();
    // The ping monitor starts exactly as if its Start button had been pressed.
    if (m_autoStartPing)
        m_ui.Command1->click();
    return true;
}

void Form1::fncReloadAllRecords() {
    setColumnWidths();
    auto devices = DeviceTable(m_ctx.databasePath()).allByName();
    if (!devices.ok()) {
        databaseTrap(m_ctx, devices.status, kListTrap);
        return;
    }
    m_deviceList->setDevices(std::move(devices.value));
    selectWalkPosition();
}

void Form1::refreshDeviceList() {
    setColumnWidths();
    selectWalkPosition();
    m_listReader->request(m_ctx.databasePath());
}

void Form1::showDeviceOutcome(qint64 id, const QString& status, const QString& actionTaken) {
    m_deviceList->setOutcome(id, status, actionTaken);
}

bool Form1::deviceListReading() const {
    return m_listReader->busy();
}

void Form1::devicesRead(const QList<DeviceRecord>& devices) {
    // Rows that only changed their texts are redrawn in place; a list that changed its rows
    // is shown anew, with the walk position's row selected again.
    if (m_deviceList->setDevices(devices))
        selectWalkPosition();
    Q_EMIT deviceListRefreshed();
}

void Form1::devicesReadFailed(const DbStatus& status) {
    qCWarning(lcDatabase) << "the device list could not be read again:" << status.detail;
    databaseTrap(m_ctx, status, kListTrap);
}

void Form1::setColumnWidths() {
    ListView1->setColumnWidth(0, twipsToPixels(2500));
    ListView1->setColumnWidth(1, twipsToPixels(2700));
    ListView1->setColumnWidth(2, twipsToPixels(3700));
}

void Form1::selectWalkPosition() {
    const int walk = m_pingCycle->walkPosition();
    const QModelIndex selected = m_deviceList->index(walk, 0);
    if (!selected.isValid())
        return;
    ListView1->setCurrentIndex(selected);
    ListView1->setFocus();
    const QModelIndex next = m_deviceList->index(walk + 1, 0);
    if (!next.isValid())
        return;
    ListView1->scrollTo(next);
    ListView1->setFocus();
}

void Form1::fncCheckForAutoStart() {
    const auto settings = SettingsTable(m_ctx.databasePath()).read();
    if (fatalOnDatabaseError(m_ctx, settings.status))
        return;
    m_autoStartPing = settings.value.autoStartPinger;
    m_autoStartJobs = settings.value.autoStartServices;
    m_ctx.setDesktopNotifications(settings.value.desktopNotifications);
}

PublicValues& Form1::publicValues() {
    return m_ctx.values();
}

bool Form1::ended() const {
    return m_ctx.ended();
}

void Form1::setJobScanningChecked(bool checked) {
    mnuRemoteServicesScanning->setChecked(checked);
}

bool Form1::pingStartEnabled() const {
    return m_ui.Command1->isEnabled();
}

void Form1::setEditMenuEnabled(bool enabled) {
    mnuEdit->setEnabled(enabled);
    mnuEdit->menuAction()->setEnabled(enabled);
}

void Form1::setEditAndSettingsMenusEnabled(bool enabled) {
    setEditMenuEnabled(enabled);
    mnuSettingsMain->setEnabled(enabled);
    mnuSettingsMain->menuAction()->setEnabled(enabled);
}

void Form1::mnuPingList_Click() {
    if (m_pingCycle->paused()) {
        m_ctx.dialogs().information(Text::kReadMe, Text::kPausedEditRefused);
        return;
    }
    Form6 form(m_ctx, *this, this);
    if (form.Form_Load())
        form.exec();
}

void Form1::mnuEditRemoteServicesDatabaseList_Click() {
    Form2 form(m_ctx, this);
    if (form.Form_Load())
        form.exec();
}

void Form1::mnuExit_Click() {
    close();
}

void Form1::mnuRemoteServicesScanning_Click() {
    // The job monitor window, without blocking; the item is checked while it is open.
    watchJobWindow(Form3::showShared(m_ctx, *this, *m_mailWindows, this));
}

void Form1::watchJobWindow(Form3* window) {
    connect(&window->cycle(), &JobCycle::stateChanged, this, &Form1::updateTray,
            Qt::UniqueConnection);
    connect(&window->cycle(), &JobCycle::jobEnded, this, &Form1::takeJobOutcome,
            Qt::UniqueConnection);
    connect(window, &QObject::destroyed, this, &Form1::updateTray, Qt::UniqueConnection);
    updateTray();
}

void Form1::takeJobOutcome() {
    if (Form3* window = Form3::openWindow(this))
        m_tray.jobOutcome = window->Label3->text();
    updateTray();
}

void Form1::updateTray() {
    const PublicValues& values = m_ctx.values();
    m_tray.ping = m_pingCycle->paused()     ? MonitorState::Paused
                  : values.blForm1isRunning ? MonitorState::Running
                                            : MonitorState::Stopped;
    m_tray.jobs = MonitorState::Stopped;
    if (Form3* jobs = Form3::openWindow(this)) {
        switch (jobs->cycle().state()) {
        case JobCycle::State::Idle:
            break;
        case JobCycle::State::Paused:
            m_tray.jobs = MonitorState::Paused;
            break;
        case JobCycle::State::Waiting:
        case JobCycle::State::Running:
        case JobCycle::State::Halted:
            m_tray.jobs = MonitorState::Running;
            break;
        }
    }
    m_tray.modalOpen = QApplication::activeModalWidget() != nullptr;
    if (m_trayIcon)
        m_trayIcon->show(m_tray);
}

void Form1::trayStartPing() {
    if (m_ui.Command1->isEnabled())
        m_ui.Command1->click();
}

void Form1::trayStopPing() {
    if (m_ui.Command2->isEnabled())
        m_ui.Command2->click();
}

void Form1::trayStartJobs() {
    Form3* window = Form3::showShared(m_ctx, *this, *m_mailWindows, this);
    watchJobWindow(window);
    if (window->Command1->isEnabled())
        window->Command1->click();
}

void Form1::trayStopJobs() {
    if (Form3* window = Form3::openWindow(this); window && window->Command2->isEnabled())
        window->Command2->click();
}

void Form1::trayShow() {
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void Form1::mnuEmailSettings_Click() {
    Form7::showModal(m_ctx, this);
}

void Form1::mnuApplicationSettings_Click() {
    Form4::showModal(m_ctx, this);
}

void Form1::mnuKorvaneOnline_Click() {
    QDesktopServices::openUrl(QUrl(productWebPage()));
}

void Form1::mnuAbout_Click() {
    m_ctx.dialogs().information(Text::kAboutTitle, aboutText());
}

void Form1::Command1_Click() {
    m_pingCycle->Command1_Click();
}

void Form1::Command2_Click() {
    m_pingCycle->Command2_Click();
}

void Form1::Command3_Click() {
    m_pingCycle->Command3_Click();
}

void Form1::Timer1_Timer() {
    m_pingCycle->Timer1_Timer();
}

void Form1::Timer2_Timer() {
    m_pingCycle->Timer2_Timer();
}

void Form1::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void Form1::Form_Unload() {
    // Stops the monitor's timers and closes the other windows the main window owns;
    // no connection is held between events, so there is none to close here.
    // A ping that still runs is killed and its result dropped.
    m_pingCycle->unload();
    m_ui.Timer1->stop();
    m_ui.Timer2->stop();
    Form3::unloadShared(this);
    m_mailWindows->closeAll();
    delete m_trayIcon;
    m_trayIcon = nullptr;
}
