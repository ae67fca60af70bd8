#include "app/TrayState.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Every text the tray shows.
namespace Text {
const QString kTitle = u"Korvane"_s;
const QString kPing = u"Ping monitor: "_s;
const QString kJobs = u"Job monitor: "_s;
const QString kRunning = u"running"_s;
const QString kPaused = u"paused"_s;
const QString kStopped = u"stopped"_s;
const QString kStartPing = u"Start Ping Monitor"_s;
const QString kStopPing = u"Stop Ping Monitor"_s;
const QString kStartJobs = u"Start Job Monitor"_s;
const QString kStopJobs = u"Stop Job Monitor"_s;
const QString kShow = u"Show"_s;
const QString kQuit = u"Quit"_s;
} // namespace Text

QString stateText(MonitorState state) {
    switch (state) {
    case MonitorState::Running:
        return Text::kRunning;
    case MonitorState::Paused:
        return Text::kPaused;
    case MonitorState::Stopped:
        break;
    }
    return Text::kStopped;
}

QString monitorLines(const QString& monitor, MonitorState state, const QString& outcome) {
    QString lines = monitor + stateText(state);
    if (!outcome.isEmpty())
        lines += u"\n"_s + outcome;
    return lines;
}

} // namespace

QString TrayState::iconName(MonitorState state) {
    switch (state) {
    case MonitorState::Running:
        return u"korvane-running"_s;
    case MonitorState::Paused:
        return u"korvane-paused"_s;
    case MonitorState::Stopped:
        break;
    }
    return u"korvane-stopped"_s;
}

QString TrayState::toolTip() const {
    return Text::kTitle + u"\n"_s + monitorLines(Text::kPing, ping, pingOutcome) + u"\n"_s +
           monitorLines(Text::kJobs, jobs, jobOutcome);
}

TrayState::Actions TrayState::actions() const {
    Actions a;
    a.startPing = !modalOpen && ping == MonitorState::Stopped;
    a.stopPing = !modalOpen && ping != MonitorState::Stopped;
    a.startJobs = !modalOpen && jobs == MonitorState::Stopped;
    a.stopJobs = !modalOpen && jobs != MonitorState::Stopped;
    a.quit = !modalOpen;
    return a;
}

QString TrayState::startPingText() {
    return Text::kStartPing;
}
QString TrayState::stopPingText() {
    return Text::kStopPing;
}
QString TrayState::startJobsText() {
    return Text::kStartJobs;
}
QString TrayState::stopJobsText() {
    return Text::kStopJobs;
}
QString TrayState::showText() {
    return Text::kShow;
}
QString TrayState::quitText() {
    return Text::kQuit;
}
