#pragma once

#include "editors/EditorRules.h"
#include "editors/RecordEditor.h"

#include <QHash>

class QComboBox;
class QGroupBox;
class QLabel;

// The job editor: adds, changes, disables and deletes the jobs of Services, one at a time in
// the order of their PC names, in four sections (service, file age, file exists, drive
// letter) of which a job uses one. The input rules that keep one section filled live in
// Form2Rules.cpp. Opened modally from the main window's Edit menu; deleting the last job
// closes it.
class Form2 final : public RecordEditor {
    Q_OBJECT
  public:
    explicit Form2(AppContext& ctx, QWidget* parent = nullptr);
    ~Form2() override;

    // Counts the rows of Services into recordCount().
    void fncCountNumberOfRecords();
    int recordCount() const { return m_recordCount; }

    // --- the input rules ---
    // A key press (or an edit) in this box empties the controls of its family.
    void clearOtherSections(const QString& box);
    // Update is enabled while one of the four key boxes holds text.
    void keyBoxChanged();
    void Text14_Change();
    void Text18_Change();
    void trimOnFocusLoss(QLineEdit* box);
    void Text10_LostFocus();
    // A restart box changed while its service box is empty.
    void restartBoxChanged(QCheckBox* box, QLineEdit* service);

    // Service section (Frame2).
    QGroupBox* Frame2 = nullptr;
    QLineEdit *Text8 = nullptr, *Text9 = nullptr, *Text10 = nullptr; // user, password, mail
    QLineEdit *Text2 = nullptr, *Text4 = nullptr, *Text5 = nullptr, *Text6 = nullptr,
              *Text7 = nullptr, *Text11 = nullptr; // services 1 .. 6
    QCheckBox *Check2 = nullptr, *Check3 = nullptr, *Check4 = nullptr, *Check5 = nullptr,
              *Check6 = nullptr, *Check7 = nullptr; // restart services 1 .. 6
    QLineEdit* Text14 = nullptr;                    // always restart
    // File-age section (Frame1).
    QGroupBox* Frame1 = nullptr;
    QLineEdit* Text12 = nullptr; // file path
    QComboBox* Combo1 = nullptr; // age
    QLineEdit* Text13 = nullptr; // mail
    // File-exists section (Frame3).
    QGroupBox* Frame3 = nullptr;
    QLineEdit *Text15 = nullptr, *Text16 = nullptr; // folder, file name part
    QComboBox* Combo2 = nullptr;                    // action
    QLineEdit* Text17 = nullptr;                    // mail
    // Drive-letter section (Frame4).
    QGroupBox* Frame4 = nullptr;
    QLineEdit *Text19 = nullptr, *Text18 = nullptr, *Text20 = nullptr; // PC, letter, mail
    QLabel* Label9 = nullptr;

  protected:
    void showRow(const QSqlRecord& row) override;
    void clearEntries() override;
    bool entriesPass() override;
    DbStatus writeColumns() override;
    QString savedText() const override;
    bool showsRecord() const override;
    bool afterDelete() override;
    void noRowLeft() override;

  private:
    void buildServiceSection();
    void buildOtherSections();
    void installInputRules();
    QLineEdit* addBox(QWidget* parent, const QString& name, const QString& tip, int maxLength);
    QComboBox* addList(QWidget* parent, const QString& name, const QString& tip,
                       const QStringList& items);
    EditorRules::JobEntries entries() const;
    QList<QCheckBox*> restartBoxes() const;

    QHash<QString, QWidget*> m_controls; // by name: the boxes and lists the rules empty
    int m_recordCount = 0;
    bool m_inRestartRule = false;
};
