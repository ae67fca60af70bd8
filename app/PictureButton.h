#pragma once

class QString;
class QToolButton;
class QWidget;

// A monitor's picture button (16 by 16 image, no caption): its name, its picture (one of the
// program's SVGs, sharp at any scaling: korvane-running for Start, korvane-stopped for Stop,
// korvane-paused for Pause), its tooltip, and the name a screen reader says for it.
QToolButton* pictureButton(QWidget* parent, const QString& name, const QString& picture,
                           const QString& tip, const QString& accessibleName);
