#include "ping/PingCycle.h"

#include "app/AppContext.h"
#include "app/DatabaseTrap.h"
#include "app/Detach.h"
#include "app/Log.h"
#include "app/MonitorHost.h"
#include "mail/AlertMail.h"
#include "ping/PingProbe.h"
#include "storage/DeviceTable.h"
#include "storage/SettingsTables.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include <coroutine>
#include <exception>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

// Every text the ping monitor shows, in one place.
namespace Text {
const QString kWaitingForTimer = u"Preparing, Please Wait.... Waiting For Timer"_s;
const QString kPreparing = u"Preparing, Please Wait...."_s;
const QString kPingingLine = u"Pinging - %1, Please Wait...."_s;
const QString kDevicesToPing = u"Devices To Ping = "_s;
const QString kCountdownMinutes = u"Less Than %1 minutes until the next one"_s;
const QString kCountdownOneMinute = u"Less Than 1 minute until the next one"_s;
const QString kNoDevicesTitle = u"No Devices In Database"_s;
const QString kNoDevicesText =
    u"You don't have any devices setup yet! Before you can start to automatically ping your "
    u"network devices you must add devices to the database by clicking on the Edit menu then "
    u"click Edit Ping Database. You can add Computers, Printers, or any device that can be "
    u"pinged on the network in any combination."_s;
const QString kReadMeTitle = u"Read Me"_s;
const QString kNotStartedText =
    u"You can not Pause or Unpause until you have started the ping process."_s;
const QString kResumeTip = u"Click here again to Resume the Ping process"_s;
const QString kPauseTip = u"Click here again to Pause the Ping process"_s;
} // namespace Text

// Resumes the awaiting coroutine from the event loop, once everything already queued there
// (painting, input, timers that are due) has had its turn.
struct EventLoopTurn {
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> waiting) const {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [waiting] { waiting.resume(); }, Qt::QueuedConnection);
    }
    void await_resume() const noexcept {}
};

// Timer1's step: a minute after Start, half a minute after a Resume; the first tick comes one
// step after the press.
constexpr int kStartStepMs = 60000;
constexpr int kResumeStepMs = 30000;

} // namespace

PingCycle::PingCycle(AppContext& ctx, MonitorHost& host, MailWindows& mailWindows,
                     const PingControls& controls, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_host(host), m_mailWindows(mailWindows), m_ui(controls) {
    setObjectName(u"PingCycle"_s);
}

PingCycle::~PingCycle() = default;

// ---------------------------------------------------------------------------------------
// Buttons
// ---------------------------------------------------------------------------------------

void PingCycle::Command1_Click() {
    m_walkPosition = 0;
    if (!fncCountNumberOfComputersToPing())
        return;
    if (m_deviceCount < 1) {
        m_ctx.dialogs().critical(Text::kNoDevicesTitle, Text::kNoDevicesText);
        m_ui.Text1->setFocus();
        return;
    }

    dropRun();
    m_ui.Label3->setVisible(true);
    m_ui.Label3->setText(Text::kWaitingForTimer);
    m_ui.Text1->setFocus();
    m_paused = false;
    m_ui.Command1->setEnabled(false);
    m_ui.Command2->setEnabled(true);
    m_ui.Command3->setEnabled(true);
    m_host.setEditAndSettingsMenusEnabled(false);
    m_ui.Label4->setText(Text::kDevicesToPing + QString::number(m_deviceCount));
    if (!fncGetPingTimerTime())
        return;
    // One short of the interval: the first probe comes with the first tick.
    m_countdown = m_interval - 1;
    m_ui.Timer1->start(kStartStepMs);
    m_ctx.values().blForm1isRunning = true;

    if (QAbstractItemModel* model = m_ui.ListView1->model(); model && model->rowCount() > 0)
        m_ui.ListView1->setCurrentIndex(model->index(0, 0));
    m_ui.ListView1->setFocus();
}

void PingCycle::Command2_Click() {
    dropRun();
    m_ui.Text1->setFocus();
    m_ui.Command1->setEnabled(true);
    m_ui.Command2->setEnabled(false);
    m_ui.Timer1->stop();
    m_ui.Timer2->stop();
    m_ui.Label1->clear();
    m_ui.Label3->clear();
    m_ui.Label4->clear();
    m_ui.Label5->clear();
    m_ui.Label3->setVisible(false);
    m_ctx.values().blForm1isRunning = false;
    m_paused = false;
    enableMenusUnlessJobsRun();
}

void PingCycle::Command3_Click() {
    if (m_ui.Command1->isEnabled()) {
        m_ctx.dialogs().information(Text::kReadMeTitle, Text::kNotStartedText);
        m_ui.Text1->setFocus();
        return;
    }
    m_ui.Label1->clear();
    if (!m_paused) {
        // Pause: the countdown and the walk stay where they are; a probe under way is dropped.
        dropRun();
        m_ui.Text1->setFocus();
        m_ui.Timer1->stop();
        m_ui.Timer2->stop();
        m_ctx.values().blForm1isRunning = false;
        enableMenusUnlessJobsRun();
        m_paused = true;
        m_ui.Command3->setToolTip(Text::kResumeTip);
    } else {
        // Resume: from now on every countdown step lasts half a minute, until the next Start.
        m_ui.Text1->setFocus();
        m_host.setEditAndSettingsMenusEnabled(false);
        m_ui.Timer1->start(kResumeStepMs);
        m_ctx.values().blForm1isRunning = true;
        m_paused = false;
        m_ui.Command3->setToolTip(Text::kPauseTip);
    }
}

void PingCycle::unload() {
    dropRun();
    m_ui.Timer1->stop();
    m_ui.Timer2->stop();
}

// ---------------------------------------------------------------------------------------
// Timers
// ---------------------------------------------------------------------------------------

void PingCycle::Timer1_Timer() {
    if (!m_ui.Timer1->isActive())
        return;
    ++m_countdown;
    if (!m_ui.Label1->text().isEmpty())
        writeCountdownLine();
    if (m_countdown != m_interval)
        return;

    m_countdown = 0;
    m_ui.Label3->setText(Text::kPreparing);
    m_ui.Timer1->stop();
    if (m_walkPosition >= m_deviceCount)
        m_walkPosition = 0;
    writeCountdownLine();

    const auto device = DeviceTable(m_ctx.databasePath()).enabledAt(m_walkPosition);
    if (fatalOnDatabaseError(m_ctx, device.status)) {
        endedByDatabase();
        return;
    }
    m_target.name = device.value.computerName;
    m_target.emailAddress = device.value.emailWhenDown;
    m_target.averageReturn = device.value.maxAverage;
    m_ctx.values().PCnameToEmail = m_target.name;
    m_ctx.values().EmailAddress = m_target.emailAddress;
    m_ctx.values().AverageReturn = m_target.averageReturn;

    ++m_walkPosition;
    m_target.position = m_walkPosition;
    m_target.generation = m_generation;
    m_hasMaxAverage = ping::hasMaximumAverage(m_target.averageReturn);
    m_ui.Label3->setText(Text::kPingingLine.arg(m_target.name));
    m_ui.Label5->setText(ping::pingingProgressLine(m_target.position, m_deviceCount));

    detach(runProbe(m_target), u"the ping probe"_s, recoverer(), &lcPing);
}

QCoro::Task<void> PingCycle::runProbe(Target target) {
    QPointer<PingCycle> self(this);
    m_probeRunning = true;
    m_pendingOutput.reset();

    CommandOptions options = ping::pingCommandOptions(ping::probeEchoes);
    options.cancelGuard = newCancelGuard();
    const QStringList argv = ping::probeCommand(target.name);
    QString output;
    try {
        auto run = m_ctx.runner().GetCommandOutput(argv, options);
        output = co_await run;
    } catch (const std::exception&) {
        // A command that cannot run reads like one whose program is missing.
        output = commandStartFailureText();
    }
    if (!self || !current(target))
        co_return;
    releaseCancelGuard();
    m_probeRunning = false;
    // Even a run that printed nothing is a result (it classifies as not found), so the
    // result tick never waits for an output that cannot come.
    m_pendingOutput = std::move(output);
    m_ui.Timer2->start();
    Q_EMIT probeFinished();
}

void PingCycle::Timer2_Timer() {
    if (!m_ui.Timer2->isActive() || !m_pendingOutput)
        return;
    m_ui.Timer2->stop();
    QString output = std::move(*m_pendingOutput);
    m_pendingOutput.reset();
    detach(handleResult(m_target, std::move(output)), u"the ping result"_s, recoverer(), &lcPing);
}

std::function<void()> PingCycle::recoverer() {
    return [self = QPointer<PingCycle>(this), generation = m_generation] {
        // The run that failed is still the current one: drop what it left and let the next
        // interval come.
        if (!self || self->m_generation != generation || self->m_ctx.ended())
            return;
        self->dropRun();
        self->m_ui.Timer2->stop();
        self->m_ui.Timer1->start();
    };
}

QCoro::Task<void> PingCycle::handleResult(Target target, QString output) {
    using ping::PingOutcome;
    m_handlingResult = true;

    const ping::PingReading reading = ping::readPingOutput(output);
    const PingOutcome outcome = ping::classifyPing(reading);
    const QString activity = ping::activityLine(outcome, target.name, reading.lossText);
    const QString progress = ping::pingedProgressLine(target.position, m_deviceCount);
    const QString status = ping::statusArgument(outcome, reading.lossText);

    // Every outcome keeps its own order of effects. Between two database writes the event
    // loop gets a turn, so the window never waits for more than one write at a time.
    Step step = Step::Go;
    switch (outcome) {
    case PingOutcome::Down:
    case PingOutcome::NotFound: {
        m_ui.Label3->setText(activity);
        m_ui.Label5->setText(progress);
        if (!fncUpdateStatus(target.name, status))
            co_return;
        m_hasMaxAverage = false;
        auto turn = nextTurn(target);
        if (co_await turn != Step::Go)
            co_return;
        auto mail = fncPCisDownEmail(target);
        step = co_await mail;
        break;
    }
    case PingOutcome::DroppingPackets: {
        m_ui.Label3->setText(activity);
        if (!fncUpdateStatus(target.name, status))
            co_return;
        m_ui.Label5->setText(progress);
        auto turn = nextTurn(target);
        if (co_await turn != Step::Go)
            co_return;
        auto mail = fncPCisPingingButIsDropingPackets(target, reading.lossText);
        step = co_await mail;
        break;
    }
    case PingOutcome::MinorLoss: {
        if (!fncUpdateStatus(target.name, status))
            co_return;
        auto turn = nextTurn(target);
        if (co_await turn != Step::Go)
            co_return;
        if (!fncUpdateActionTaken(target.name, ping::nothingForNowAction()))
            co_return;
        m_ui.Label3->setText(activity);
        m_ui.Label5->setText(progress);
        break;
    }
    case PingOutcome::Reachable: {
        if (!fncUpdateStatus(target.name, status))
            co_return;
        m_ui.Label3->setText(activity);
        m_ui.Label5->setText(progress);
        auto turn = nextTurn(target);
        if (co_await turn != Step::Go)
            co_return;
        if (!fncUpdateActionTaken(target.name, ping::pingOkAction(m_ctx.clock().now())))
            co_return;
        break;
    }
    }
    if (step != Step::Go)
        co_return;

    if (ping::runsAverageCheck(outcome, m_hasMaxAverage)) {
        auto turn = nextTurn(target);
        if (co_await turn != Step::Go)
            co_return;
        // The window is not drawn while the check runs; the event loop keeps going.
        setWindowFrozen(true);
        auto check = fncCheckForAveragePingTime(target);
        step = co_await check;
        // Stop, Pause and a failure have let the window draw again already.
        if (step != Step::Go)
            co_return;
        setWindowFrozen(false);
    }

    auto turn = nextTurn(target);
    if (co_await turn != Step::Go)
        co_return;
    refreshList();
    if (m_ctx.ended())
        co_return;
    m_handlingResult = false;
    m_ui.Timer1->start();
    Q_EMIT resultHandled();
}

QCoro::Task<PingCycle::Step> PingCycle::nextTurn(Target target) {
    QPointer<PingCycle> self(this);
    co_await EventLoopTurn{};
    if (!self)
        co_return Step::Gone;
    co_return current(target) ? Step::Go : Step::Dropped;
}

// ---------------------------------------------------------------------------------------
// Average check and alerts
// ---------------------------------------------------------------------------------------

QCoro::Task<PingCycle::Step> PingCycle::fncCheckForAveragePingTime(Target target) {
    QPointer<PingCycle> self(this);
    CommandOptions options = ping::pingCommandOptions(ping::averageEchoes);
    options.cancelGuard = newCancelGuard();
    const QStringList argv = ping::averageCommand(target.name);
    QString output;
    try {
        auto run = m_ctx.runner().GetCommandOutput(argv, options);
        output = co_await run;
    } catch (const std::exception&) {
        output = commandStartFailureText();
    }
    if (!self)
        co_return Step::Gone;
    if (!current(target))
        co_return Step::Dropped;
    releaseCancelGuard();

    // A host that could not be found has no average: status and action stay as they are.
    if (ping::pingHostNotFound(output))
        co_return Step::Go;
    const double average = ping::readPingOutput(output).average;
    if (!ping::isSlow(target.averageReturn, average))
        co_return Step::Go;

    auto mail = fncPingIsSlowerThanDisired(target, ping::averageText(average));
    const Step step = co_await mail;
    if (step != Step::Go)
        co_return step;
    // Written after the mail whatever the mail routine recorded, so a device without
    // addresses reads "Emailed To: " with nothing after it.
    if (!fncUpdateActionTaken(target.name, ping::emailedToAction(target.emailAddress)))
        co_return Step::Ended;
    auto turn = nextTurn(target);
    if (const Step next = co_await turn; next != Step::Go)
        co_return next;
    co_return fncUpdateStatus(target.name, ping::slowStatus()) ? Step::Go : Step::Ended;
}

QCoro::Task<PingCycle::Step> PingCycle::fncPCisDownEmail(Target target) {
    ping::AlertMail mail = ping::deviceDownMail(target.name);
    auto send = sendAlert(std::move(target), std::move(mail));
    co_return co_await send;
}

QCoro::Task<PingCycle::Step> PingCycle::fncPCisPingingButIsDropingPackets(Target target,
                                                                          QString lossText) {
    ping::AlertMail mail = ping::droppingPacketsMail(target.name, lossText);
    auto send = sendAlert(std::move(target), std::move(mail));
    co_return co_await send;
}

QCoro::Task<PingCycle::Step> PingCycle::fncPingIsSlowerThanDisired(Target target,
                                                                   QString measuredAverage) {
    ping::AlertMail mail = ping::slowPingMail(target.name, measuredAverage, target.averageReturn);
    auto send = sendAlert(std::move(target), std::move(mail));
    co_return co_await send;
}

QCoro::Task<PingCycle::Step> PingCycle::sendAlert(Target target, ping::AlertMail mail) {
    if (!ping::alertHasRecipients(target.emailAddress)) {
        co_return fncUpdateActionTaken(target.name, ping::noEmailAddressAction()) ? Step::Go
                                                                                  : Step::Ended;
    }
    QPointer<PingCycle> self(this);
    AlertMailRequest request =
        alertMailRequest(m_ctx.values(), target.emailAddress, mail.subject, mail.body);
    auto send = sendAlertMail(m_ctx, m_mailWindows, std::move(request));
    const MailOutcome outcome = co_await send;
    if (!self)
        co_return Step::Gone;
    if (!current(target))
        co_return Step::Dropped;
    // A mail that did not go out is recorded as such, never as sent.
    co_return fncUpdateActionTaken(target.name, mailActionText(target.emailAddress, outcome))
        ? Step::Go
        : Step::Ended;
}

// ---------------------------------------------------------------------------------------
// Database routines
// ---------------------------------------------------------------------------------------

bool PingCycle::fncCountNumberOfComputersToPing() {
    m_deviceCount = 0;
    const auto count = DeviceTable(m_ctx.databasePath()).countEnabled();
    if (count.ok()) {
        m_deviceCount = count.value;
        return true;
    }
    return databaseTrap(m_ctx, count.status, kListTrap) != TrapAction::EndProgram;
}

bool PingCycle::fncGetPingTimerTime() {
    const auto settings = SettingsTable(m_ctx.databasePath()).read();
    if (fatalOnDatabaseError(m_ctx, settings.status)) {
        endedByDatabase();
        return false;
    }
    m_interval = leadingWholeNumber(settings.value.pingTimerSeconds);
    return true;
}

bool PingCycle::fncUpdateStatus(const QString& strPCName, const QString& strPercentageLost) {
    return writeSucceeded(DeviceTable(m_ctx.databasePath())
                              .updateStatus(strPCName, ping::statusText(strPercentageLost)));
}

bool PingCycle::fncUpdateActionTaken(const QString& strPCName, const QString& strActionTaken) {
    return writeSucceeded(
        DeviceTable(m_ctx.databasePath()).updateActionTaken(strPCName, strActionTaken));
}

bool PingCycle::writeSucceeded(const DbStatus& status) {
    // The device's row went away while it was probed: there is nothing left to write to.
    if (status.error == DbError::NoCurrentRecord)
        return true;
    if (fatalOnDatabaseError(m_ctx, status)) {
        endedByDatabase();
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------------------

void PingCycle::dropRun() {
    ++m_generation;
    releaseCancelGuard();
    m_probeRunning = false;
    m_handlingResult = false;
    m_pendingOutput.reset();
    setWindowFrozen(false);
}

void PingCycle::endedByDatabase() {
    dropRun();
    m_ui.Timer1->stop();
    m_ui.Timer2->stop();
}

QObject* PingCycle::newCancelGuard() {
    releaseCancelGuard();
    m_cancelGuard = new QObject(this);
    return m_cancelGuard;
}

void PingCycle::releaseCancelGuard() {
    // Destroying the guard kills a `ping` that still runs; after the run it does nothing.
    delete m_cancelGuard.data();
}

void PingCycle::writeCountdownLine() {
    const int remaining = m_interval - m_countdown;
    m_ui.Label1->setText(remaining == 1 ? Text::kCountdownOneMinute
                                        : Text::kCountdownMinutes.arg(remaining));
}

void PingCycle::setWindowFrozen(bool frozen) {
    if (frozen == m_windowFrozen)
        return;
    m_windowFrozen = frozen;
    m_ui.window->setUpdatesEnabled(!frozen);
}

void PingCycle::refreshList() {
    m_host.refreshDeviceList();
}

void PingCycle::enableMenusUnlessJobsRun() {
    if (!m_ctx.values().blForm3isRunning)
        m_host.setEditAndSettingsMenusEnabled(true);
}
