#include "app/PictureButton.h"

#include "app/TrayIcon.h"

#include <QIcon>
#include <QString>
#include <QToolButton>

QToolButton* pictureButton(QWidget* parent, const QString& name, const QString& picture,
                           const QString& tip, const QString& accessibleName) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setAccessibleName(accessibleName);
    b->setIcon(QIcon(TrayIcon::iconPath(picture)));
    b->setIconSize(QSize(16, 16));
    b->setToolTip(tip);
    return b;
}
