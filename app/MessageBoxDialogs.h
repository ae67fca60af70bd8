#pragma once

#include "app/Dialogs.h"

// The real message boxes: modal QMessageBox over the active window. Critical messages are
// also written to standard error, so that a start-up failure leaves a trace in a log.
class MessageBoxDialogs final : public Dialogs {
  public:
    DialogAnswer show(DialogIcon icon, DialogButtons buttons, const QString& title,
                      const QString& text) override;
};
