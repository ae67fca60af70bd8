#include "app/TrayIcon.h"

#include <QAction>
#include <QFile>
#include <QIconEngine>
#include <QMenu>
#include <QPainter>
#include <QSvgRenderer>
#include <QSystemTrayIcon>

using namespace Qt::Literals::StringLiterals;

namespace {

// Two SVGs side by side: the left half of one and the right half of the other, rendered
// afresh for every size, so the icon stays sharp at any scale.
class HalvesIconEngine final : public QIconEngine {
  public:
    HalvesIconEngine(QByteArray left, QByteArray right)
        : m_left(std::move(left)), m_right(std::move(right)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const int half = rect.width() / 2;
        drawHalf(painter, m_left, rect, QRect(rect.x(), rect.y(), half, rect.height()));
        drawHalf(painter, m_right, rect,
                 QRect(rect.x() + half, rect.y(), rect.width() - half, rect.height()));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }
    QIconEngine* clone() const override { return new HalvesIconEngine(m_left, m_right); }
    QString key() const override { return u"KorvaneHalves"_s; }

  private:
    static void drawHalf(QPainter* painter, const QByteArray& svg, const QRect& whole,
                         const QRect& half) {
        QSvgRenderer renderer(svg);
        painter->save();
        painter->setClipRect(half);
        renderer.render(painter, whole);
        painter->restore();
    }

    QByteArray m_left;
    QByteArray m_right;
};

QByteArray svgOf(const QString& name) {
    QFile file(TrayIcon::iconPath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent), m_menu(std::make_unique<QMenu>()) {
    m_menu->setObjectName(u"trayMenu"_s);
    auto action = [this](const QString& name, const QString& text, void (TrayIcon::*signal)()) {
        QAction* a = m_menu->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, signal);
        return a;
    };
    m_startPing =
        action(u"trayStartPing"_s, TrayState::startPingText(), &TrayIcon::startPingRequested);
    m_stopPing = action(u"trayStopPing"_s, TrayState::stopPingText(), &TrayIcon::stopPingRequested);
    m_menu->addSeparator();
    m_startJobs =
        action(u"trayStartJobs"_s, TrayState::startJobsText(), &TrayIcon::startJobsRequested);
    m_stopJobs = action(u"trayStopJobs"_s, TrayState::stopJobsText(), &TrayIcon::stopJobsRequested);
    m_menu->addSeparator();
    m_show = action(u"trayShow"_s, TrayState::showText(), &TrayIcon::showRequested);
    m_quit = action(u"trayQuit"_s, TrayState::quitText(), &TrayIcon::quitRequested);
    connect(m_menu.get(), &QMenu::aboutToShow, this, &TrayIcon::menuAboutToShow);

    m_icon = new QSystemTrayIcon(this);
    m_icon->setObjectName(u"trayIcon"_s);
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    Q_EMIT showRequested();
            });
}

TrayIcon::~TrayIcon() = default;

QString TrayIcon::iconPath(const QString& name) {
    return u":/icons/"_s + name + u".svg"_s;
}

QIcon TrayIcon::stateIcon(const TrayState& state) {
    return QIcon(new HalvesIconEngine(svgOf(state.leftIconName()), svgOf(state.rightIconName())));
}

void TrayIcon::show(const TrayState& state) {
    // The icon is drawn again only when a monitor's state changed.
    if (m_left != state.leftIconName() || m_right != state.rightIconName()) {
        m_left = state.leftIconName();
        m_right = state.rightIconName();
        m_icon->setIcon(stateIcon(state));
    }
    m_icon->setToolTip(state.toolTip());
    const TrayState::Actions actions = state.actions();
    m_startPing->setEnabled(actions.startPing);
    m_stopPing->setEnabled(actions.stopPing);
    m_startJobs->setEnabled(actions.startJobs);
    m_stopJobs->setEnabled(actions.stopJobs);
    m_show->setEnabled(actions.show);
    m_quit->setEnabled(actions.quit);
    m_icon->show();
}
