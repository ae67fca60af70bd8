#pragma once

#include "editors/RecordEditor.h"

class MonitorHost;
class QLabel;

// The device editor: adds, changes, disables and deletes the devices of ComputerPingList, one
// at a time in the order of their names. Opened modally from the main window's Edit menu;
// closing it refreshes the main window's device list.
class Form6 final : public RecordEditor {
    Q_OBJECT
  public:
    Form6(AppContext& ctx, MonitorHost& host, QWidget* parent = nullptr);
    ~Form6() override;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Text2 = nullptr; // EmailWhenDown
    QLineEdit* Text4 = nullptr; // MaxAverage

    // The field rules.
    void Text1_Change();
    void Text1_LostFocus();
    void Text2_LostFocus();
    void Text4_LostFocus();

  protected:
    void showRow(const QSqlRecord& row) override;
    void clearEntries() override;
    bool entriesPass() override;
    DbResult<bool> keyTaken(qint64 ownId) override;
    bool keyIsUnique() const override { return true; }
    void showDuplicate() override;
    DbStatus writeColumns() override;
    QString savedText() const override;
    bool showsRecord() const override;
    bool afterDelete() override;
    void noRowLeft() override;
    void Form_Unload() override;

  private:
    MonitorHost& m_host;
};
