#pragma once

#include <QStyle>

class QString;
class QToolButton;
class QWidget;

// A monitor's picture button (16 by 16 image, no caption): its name, picture and tooltip, and
// the name a screen reader says for it ("Start", "Stop", "Pause").
QToolButton* pictureButton(QWidget* parent, const QString& name, QStyle::StandardPixmap icon,
                           const QString& tip, const QString& accessibleName);
