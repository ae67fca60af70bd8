#include "app/PictureButton.h"

#include <QString>
#include <QToolButton>

QToolButton* pictureButton(QWidget* parent, const QString& name, QStyle::StandardPixmap icon,
                           const QString& tip, const QString& accessibleName) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setAccessibleName(accessibleName);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setIconSize(QSize(16, 16));
    b->setToolTip(tip);
    return b;
}
