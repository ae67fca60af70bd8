#pragma once

#include "storage/BrowseSet.h"

#include <QDialog>

class AppContext;
class FieldHooks;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSqlRecord;
class QToolButton;

// What the device editor and the job editor share: one browse set over their table, shown one
// row at a time; the two modes held by the caption of Command2 ("Add New" browses, "Cancel"
// adds); fillfields with its first/last record messages; the move buttons; Add New and Cancel;
// the save and delete flows with their messages; the focus sink Text3 that takes the focus
// after every button action; and the report of a database failure. Each window adds its own
// controls and says how a row is shown, checked and written.
class RecordEditor : public QDialog {
    Q_OBJECT
  public:
    ~RecordEditor() override;

    // Opens the browse set and shows its first row. False when the window must not be shown:
    // the database could not be opened (its message has been shown; for a missing file or a
    // wrong password the program is ending).
    bool Form_Load();
    // Shows the current row; after a move past either end it moves back, disables that move
    // button and says so (the first-record message only once the window has loaded).
    void fillfields();

    void cmdMoveNext_Click();
    void cmdMovePrevious_Click();
    void Command2_Click(); // Add New / Cancel
    void Command3_Click(); // Update: save the current row or insert the new one
    void Command4_Click(); // Delete

    bool loaded() const { return m_loaded; }
    bool adding() const;
    BrowseSet& browseSet() { return m_set; }

    QLineEdit* Text1 = nullptr; // the key box
    QLineEdit* Text3 = nullptr; // the focus sink, below the visible area
    QCheckBox* Check1 = nullptr;
    QToolButton* cmdMovePrevious = nullptr;
    QToolButton* cmdMoveNext = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;

  protected:
    // table and orderBy name the browse set; fileNotFoundText is what the load says when the
    // database file is missing or held by another program.
    RecordEditor(AppContext& ctx, const QString& table, const QString& orderBy,
                 QString fileNotFoundText, QWidget* parent);

    // --- what each window says ---
    // Puts the current row into the controls.
    virtual void showRow(const QSqlRecord& row) = 0;
    // Empties every box and clears every check box (Add New, Cancel).
    virtual void clearEntries() = 0;
    // Runs the window's checks before a save; shows the first failure and returns false.
    virtual bool entriesPass() = 0;
    // Whether another record holds the key of the entries; a record with the ID ownId (the one
    // shown) does not count. Only windows whose key is unique override it.
    virtual DbResult<bool> keyTaken(qint64 ownId);
    virtual bool keyIsUnique() const { return false; }
    virtual void showDuplicate() {}
    // Assigns the columns of the pending row of the browse set from the controls.
    virtual DbStatus writeColumns() = 0;
    // The "Saved" text of a new record, from the controls.
    virtual QString savedText() const = 0;
    // Whether the controls show a record that can be deleted.
    virtual bool showsRecord() const = 0;
    // After a row was deleted: shows the message; false when the window has closed.
    virtual bool afterDelete() = 0;
    // After the only remaining row was deleted.
    virtual void noRowLeft() = 0;
    // Runs once when the window closes.
    virtual void Form_Unload() {}

    // Puts a window's controls in the given tab order, the focus sink first.
    void setTabChain(const QList<QWidget*>& widgets);
    void reportDatabaseError(const QString& text, const DbStatus& status);
    // A mail box the focus left: trimmed; a text without "@" is refused, emptied and the
    // focus goes back to it.
    void mailBoxLostFocus(QLineEdit* box);
    // Sets these columns of the pending row, in order; the first failure ends it.
    DbStatus setColumns(const QList<std::pair<QString, QVariant>>& columns);
    // A label with its name and text, the buddy of box.
    QLabel* boxLabel(const QString& name, const QString& text, QWidget* box);

    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    AppContext& m_ctx;
    FieldHooks* m_hooks = nullptr;

  private:
    void enterBrowsing();
    void setMoveAndDeleteEnabled(bool enabled);
    void readMe();
    bool keyIsFree(qint64 ownId);
    bool commit();
    void updateRecord();
    void insertRecord();

    BrowseSet m_set;
    QString m_fileNotFoundText;
    bool m_loaded = false;
    bool m_unloaded = false;
};
