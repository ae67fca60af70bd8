#include "ping/PingCycle.h"

#include "app/AppContext.h"
#include "app/DatabaseTrap.h"
#include "app/Detach.h"
#include "app/Log.h"
#include "app/MonitorHost.h"
#include "mail/AlertMail.h"
#include "ping/PingProbe.h"
#include "storage/DbRetry.h"
#include "storage/DeviceTable.h"
#include "storage/SettingsTables.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCoroFuture>
#include <QLabel>
#include <QScopeGuard>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

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
const QString kInvalidIntervalTitle = u"Invalid Interval"_s;
const QString kInvalidIntervalText =
    u"The time between two pings is stored as \"%1\" minutes, which the ping process cannot "
    u"use: it must be a whole number of minutes, at least 1 and at most 32767. Please correct "
    u"it in Settings > Application Settings, then click Start again."_s;
const QString kReadMeTitle = u"Read Me"_s;
const QString kNotStartedText =
    u"You can not Pause or Unpause until you have started the ping process."_s;
const QString kResumeTip = u"Click here again to Resume the Ping process"_s;
const QString kPauseTip = u"Click here again to Pause the Ping process"_s;
} // namespace Text

// Timer1's step: a minute after Start, half a minute after a Resume; the first tick comes one
// step after the press.
constexpr std::chrono::milliseconds kStartStep = std::chrono::minutes(1);
constexpr std::chrono::milliseconds kResumeStep = std::chrono::seconds(30);

// Runs `ping` (or the ten-echo run) through the context's runner; a command that cannot run
// reads like one whose program is missing.
QCoro::Task<QString> runPing(CommandRunner& runner, QStringList argv, CommandOptions options) {
    try {
        auto run = runner.GetCommandOutput(std::move(argv), std::move(options));
        co_return co_await run;
    } catch (const std::exception& e) {
        qCWarning(lcPing) << "ping could not run:" << e.what();
        co_return commandStartFailureText();
    }
}

} // namespace

PingCycle::PingCycle(AppContext& ctx, MonitorHost& host, MailWindows& mailWindows,
                     const PingControls& controls, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_host(host), m_mailWindows(mailWindows), m_ui(controls) {
    setObjectName(u"PingCycle"_s);
    m_writes.setMaxThreadCount(1);
}

PingCycle::~PingCycle() = default;

// ---------------------------------------------------------------------------------------
// Buttons
// ---------------------------------------------------------------------------------------

void PingCycle::Command1_Click() {
    // A Start that still waits for a locked database takes no second one.
    if (m_starting)
        return;
    detach(start(), u"the start of the ping process"_s, {}, &lcPing);
}

QCoro::Task<void> PingCycle::start() {
    QPointer<PingCycle> self(this);
    const quint64 generation = m_generation;
    m_starting = true;
    const auto done = qScopeGuard([self] {
        if (self)
            self->m_starting = false;
    });
    const QString path = m_ctx.databasePath();

    // fncCountNumberOfComputersToPing, with the list's database trap.
    m_walkPosition = 0;
    m_deviceCount = 0;
    DbResult<int> count;
    auto counting = retryWhileLocked(
        [&count, path] {
            count = DeviceTable(path).countEnabled();
            return count.status;
        },
        m_ctx.lockedRetryLimit());
    const DbStatus counted = co_await counting;
    if (!self || generation != m_generation || m_ctx.ended())
        co_return;
    if (counted.locked) {
        fatalOnDatabaseError(m_ctx, counted);
        co_return;
    }
    if (databaseTrap(m_ctx, counted, kListTrap) == TrapAction::EndProgram)
        co_return;
    m_deviceCount = counted.ok() ? count.value : 0;
    if (m_deviceCount < 1) {
        m_ctx.dialogs().critical(Text::kNoDevicesTitle, Text::kNoDevicesText);
        m_ui.Text1->setFocus();
        co_return;
    }

    // fncGetPingTimerTime. An interval the cycle cannot keep starts nothing.
    DbResult<SettingsRow> settings;
    auto reading = access(
        [&settings, path] {
            settings = SettingsTable(path).read();
            return settings.status;
        },
        false);
    if (co_await reading != Access::Done || generation != m_generation)
        co_return;
    const std::optional<int> minutes = intervalMinutes(settings.value.pingTimerSeconds);
    if (!minutes) {
        m_ctx.dialogs().information(
            Text::kInvalidIntervalTitle,
            Text::kInvalidIntervalText.arg(settings.value.pingTimerSeconds));
        m_ui.Text1->setFocus();
        co_return;
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
    m_interval = *minutes;
    // One short of the interval: the first probe comes with the first tick.
    m_countdown = m_interval - 1;
    m_ui.Timer1->start(m_ctx.tick(kStartStep));
    m_ctx.values().blForm1isRunning = true;

    if (QAbstractItemModel* model = m_ui.ListView1->model(); model && model->rowCount() > 0)
        m_ui.ListView1->setCurrentIndex(model->index(0, 0));
    m_ui.ListView1->setFocus();
    Q_EMIT stateChanged();
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
    Q_EMIT stateChanged();
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
        m_ui.Timer1->start(m_ctx.tick(kResumeStep));
        m_ctx.values().blForm1isRunning = true;
        m_paused = false;
        m_ui.Command3->setToolTip(Text::kPauseTip);
    }
    Q_EMIT stateChanged();
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
    if (!m_ui.Timer1->isActive() || m_applying)
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
    detach(runProbe(m_generation), u"the ping probe"_s, recoverer(), &lcPing);
}

QCoro::Task<void> PingCycle::runProbe(quint64 generation) {
    QPointer<PingCycle> self(this);
    m_probeRunning = true;
    m_pendingOutput.reset();

    // The enabled device at the walk position, in name order.
    DbResult<DeviceRecord> device;
    const int position = m_walkPosition;
    const QString path = m_ctx.databasePath();
    auto reading = access(
        [&device, path, position] {
            device = DeviceTable(path).enabledAt(position);
            return device.status;
        },
        false);
    if (co_await reading != Access::Done || generation != m_generation)
        co_return;

    Target target;
    target.id = device.value.id;
    target.name = device.value.computerName;
    target.emailAddress = device.value.emailWhenDown;
    target.averageReturn = device.value.maxAverage;
    target.position = ++m_walkPosition;
    target.generation = generation;
    m_target = target;
    m_ctx.values().PCnameToEmail = target.name;
    m_ctx.values().EmailAddress = target.emailAddress;
    m_ctx.values().AverageReturn = target.averageReturn;
    m_hasMaxAverage = ping::hasMaximumAverage(target.averageReturn);
    m_ui.Label3->setText(Text::kPingingLine.arg(target.name));
    m_ui.Label5->setText(ping::pingingProgressLine(target.position, m_deviceCount));

    CommandOptions options = ping::pingCommandOptions(ping::probeEchoes);
    options.cancelGuard = newCancelGuard();
    auto run = runPing(m_ctx.runner(), ping::probeCommand(target.name), options);
    QString output = co_await run;
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
    detach(applyResult(m_target, std::move(output)), u"the ping result"_s, recoverer(), &lcPing);
}

std::function<void()> PingCycle::recoverer() {
    return [self = QPointer<PingCycle>(this), generation = m_generation] {
        if (!self || self->m_ctx.ended())
            return;
        self->m_applying = false;
        self->setWindowFrozen(false);
        // The run that failed is still the current one: drop what it left and let the next
        // interval come.
        if (self->m_generation != generation)
            return;
        self->dropRun();
        self->m_ui.Timer2->stop();
        self->m_ui.Timer1->start();
    };
}

QCoro::Task<void> PingCycle::applyResult(Target target, QString output) {
    using ping::PingOutcome;
    QPointer<PingCycle> self(this);
    m_applying = true;

    const ping::PingReading reading = ping::readPingOutput(output);
    const PingOutcome outcome = ping::classifyPing(reading);
    const QString activity = ping::activityLine(outcome, target.name, reading.lossText);
    const QString progress = ping::pingedProgressLine(target.position, m_deviceCount);
    const QString status = ping::statusArgument(outcome, reading.lossText);

    // The lines come in the order the outcome has always shown them; the mail is awaited
    // before the row is written, so status and action go in together.
    QString action;
    switch (outcome) {
    case PingOutcome::Down:
    case PingOutcome::NotFound: {
        m_ui.Label3->setText(activity);
        m_ui.Label5->setText(progress);
        m_hasMaxAverage = false;
        auto mail = fncPCisDownEmail(target);
        action = co_await mail;
        break;
    }
    case PingOutcome::DroppingPackets: {
        m_ui.Label3->setText(activity);
        m_ui.Label5->setText(progress);
        auto mail = fncPCisPingingButIsDropingPackets(target, reading.lossText);
        action = co_await mail;
        break;
    }
    case PingOutcome::MinorLoss:
        action = ping::nothingForNowAction();
        break;
    case PingOutcome::Reachable:
        action = ping::pingOkAction(m_ctx.clock().now());
        break;
    }
    if (!self)
        co_return;
    auto write = fncUpdateStatusAndActionTaken(target, status, action);
    if (const Access written = co_await write; written == Access::Gone || written == Access::Ended)
        co_return;
    if ((outcome == PingOutcome::MinorLoss || outcome == PingOutcome::Reachable) &&
        current(target)) {
        m_ui.Label3->setText(activity);
        m_ui.Label5->setText(progress);
    }

    if (current(target) && ping::runsAverageCheck(outcome, m_hasMaxAverage)) {
        // The window is not drawn while the check runs; the event loop keeps going.
        setWindowFrozen(true);
        auto check = fncCheckForAveragePingTime(target);
        if (const Access checked = co_await check;
            checked == Access::Gone || checked == Access::Ended)
            co_return;
        setWindowFrozen(false);
    }

    m_host.refreshDeviceList();
    m_applying = false;
    if (current(target))
        m_ui.Timer1->start();
    Q_EMIT resultHandled();
}

// ---------------------------------------------------------------------------------------
// Average check and alerts
// ---------------------------------------------------------------------------------------

QCoro::Task<PingCycle::Access> PingCycle::fncCheckForAveragePingTime(Target target) {
    QPointer<PingCycle> self(this);
    CommandOptions options = ping::pingCommandOptions(ping::averageEchoes);
    options.cancelGuard = newCancelGuard();
    auto run = runPing(m_ctx.runner(), ping::averageCommand(target.name), options);
    const QString output = co_await run;
    if (!self)
        co_return Access::Gone;
    // Stop or Pause dropped the check while it ran: nothing of it is applied.
    if (!current(target))
        co_return Access::Done;
    releaseCancelGuard();

    // A host that could not be found has no average: status and action stay as they are.
    if (ping::pingHostNotFound(output))
        co_return Access::Done;
    const double average = ping::readPingOutput(output).average;
    if (!ping::isSlow(target.averageReturn, average))
        co_return Access::Done;

    auto mail = fncPingIsSlowerThanDisired(target, ping::averageText(average));
    QString action = co_await mail;
    if (!self)
        co_return Access::Gone;
    // Without recipients the slow case has always recorded "Emailed To: " with nothing after
    // it, over the mail routine's "No Email Address In Database".
    if (!ping::alertHasRecipients(target.emailAddress))
        action = ping::emailedToAction(target.emailAddress);
    auto write = fncUpdateStatusAndActionTaken(target, ping::slowStatus(), action);
    co_return co_await write;
}

QCoro::Task<QString> PingCycle::fncPCisDownEmail(Target target) {
    auto send = sendAlert(target, ping::deviceDownMail(target.name));
    co_return co_await send;
}

QCoro::Task<QString> PingCycle::fncPCisPingingButIsDropingPackets(Target target, QString lossText) {
    auto send = sendAlert(target, ping::droppingPacketsMail(target.name, lossText));
    co_return co_await send;
}

QCoro::Task<QString> PingCycle::fncPingIsSlowerThanDisired(Target target, QString measuredAverage) {
    auto send =
        sendAlert(target, ping::slowPingMail(target.name, measuredAverage, target.averageReturn));
    co_return co_await send;
}

QCoro::Task<QString> PingCycle::sendAlert(Target target, ping::AlertMail mail) {
    if (!ping::alertHasRecipients(target.emailAddress))
        co_return ping::noEmailAddressAction();
    AlertMailRequest request =
        alertMailRequest(m_ctx.values(), target.emailAddress, mail.subject, mail.body);
    auto send = sendAlertMail(m_ctx, m_mailWindows, std::move(request));
    const MailOutcome outcome = co_await send;
    // A mail that did not go out is recorded as such, never as sent.
    co_return mailActionText(target.emailAddress, outcome);
}

// ---------------------------------------------------------------------------------------
// Database
// ---------------------------------------------------------------------------------------

QCoro::Task<PingCycle::Access> PingCycle::fncUpdateStatusAndActionTaken(Target target,
                                                                        QString strPercentageLost,
                                                                        QString strActionTaken) {
    QPointer<PingCycle> self(this);
    const QString status = ping::statusText(strPercentageLost);
    const QString path = m_ctx.databasePath();
    // A device whose row went away while it was probed has nothing left to write to.
    auto write = access(
        [path, id = target.id, status, strActionTaken] {
            return DeviceTable(path).writeOutcome(id, status, strActionTaken);
        },
        true, On::DatabaseThread);
    const Access written = co_await write;
    if (written == Access::Done && self)
        m_host.showDeviceOutcome(target.id, status, strActionTaken);
    co_return written;
}

QCoro::Task<PingCycle::Access> PingCycle::access(std::function<DbStatus()> attempt,
                                                 bool rowMayBeMissing, On on) {
    if (m_ctx.ended())
        co_return Access::Ended;
    QPointer<PingCycle> self(this);
    std::function<QCoro::Task<DbStatus>()> awaited = [self, attempt,
                                                      on]() -> QCoro::Task<DbStatus> {
        // A cycle that has gone meanwhile has no thread of its own anymore.
        if (on == On::WindowThread || !self)
            co_return attempt();
        co_return co_await QtConcurrent::run(&self->m_writes, attempt);
    };
    auto retrying = retryWhileLocked(std::move(awaited), m_ctx.lockedRetryLimit());
    const DbStatus status = co_await retrying;
    if (!self)
        co_return Access::Gone;
    if (m_ctx.ended())
        co_return Access::Ended;
    if (status.error == DbError::NoCurrentRecord && rowMayBeMissing)
        co_return Access::NoRow;
    if (fatalOnDatabaseError(m_ctx, status)) {
        endedByDatabase();
        co_return Access::Ended;
    }
    co_return Access::Done;
}

// ---------------------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------------------

void PingCycle::dropRun() {
    ++m_generation;
    releaseCancelGuard();
    m_probeRunning = false;
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

void PingCycle::enableMenusUnlessJobsRun() {
    if (!m_ctx.values().blForm3isRunning)
        m_host.setEditAndSettingsMenusEnabled(true);
}
