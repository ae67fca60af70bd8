#include "editors/RecordEditor.h"

#include "app/AppContext.h"
#include "app/DatabaseTrap.h"
#include "app/Log.h"
#include "editors/EditorRules.h"
#include "editors/EditorTexts.h"
#include "editors/FieldHooks.h"
#include "settings/SettingsRules.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;
using namespace EditorText;

namespace {

QPushButton* commandButton(QWidget* parent, const QString& name, const QString& caption,
                           const QString& tip) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setAutoDefault(false); // Enter in a box never presses a button
    return b;
}

QToolButton* moveButton(QWidget* parent, const QString& name, QStyle::StandardPixmap picture,
                        const QString& tip, const QString& accessibleName) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setAccessibleName(accessibleName);
    b->setIcon(parent->style()->standardIcon(picture));
    b->setIconSize(QSize(24, 24));
    b->setToolTip(tip);
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

} // namespace

RecordEditor::RecordEditor(AppContext& ctx, const QString& table, const QString& orderBy,
                           QString fileNotFoundText, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_set(ctx.databasePath(), table, orderBy),
      m_fileNotFoundText(std::move(fileNotFoundText)) {
    setModal(true);
    m_hooks = new FieldHooks(this);

    Text1 = new QLineEdit(this);
    Text1->setObjectName(u"Text1"_s);
    Text3 = new QLineEdit(this);
    Text3->setObjectName(u"Text3"_s);
    Text3->setAccessibleName(kFocusName);
    Text3->setAccessibleDescription(kFocusDescription);
    Check1 = new QCheckBox(kDisabled, this);
    Check1->setObjectName(u"Check1"_s);
    Check1->setToolTip(kDisabledTip);
    cmdMovePrevious =
        moveButton(this, u"cmdMovePrevious"_s, QStyle::SP_ArrowBack, kPreviousTip, kPreviousName);
    cmdMoveNext = moveButton(this, u"cmdMoveNext"_s, QStyle::SP_ArrowForward, kNextTip, kNextName);
    Command2 = commandButton(this, u"Command2"_s, kAddNew, kAddNewDesignTip);
    Command3 = commandButton(this, u"Command3"_s, kUpdate, kUpdateTip);
    Command4 = commandButton(this, u"Command4"_s, kDelete, kDeleteTip);

    connect(cmdMoveNext, &QToolButton::clicked, this, &RecordEditor::cmdMoveNext_Click);
    connect(cmdMovePrevious, &QToolButton::clicked, this, &RecordEditor::cmdMovePrevious_Click);
    connect(Command2, &QPushButton::clicked, this, &RecordEditor::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &RecordEditor::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &RecordEditor::Command4_Click);
}

RecordEditor::~RecordEditor() = default;

bool RecordEditor::adding() const {
    return Command2->text() == kCancel;
}

void RecordEditor::setTabChain(const QList<QWidget*>& widgets) {
    QWidget* previous = Text3;
    for (QWidget* w : widgets) {
        QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

void RecordEditor::reportDatabaseError(const QString& text, const DbStatus& status) {
    const QString words = status.detail.isEmpty() ? u"unknown database error"_s : status.detail;
    qCWarning(lcDatabase) << windowTitle() << ":" << text.arg(words);
    m_ctx.dialogs().critical(kDatabaseErrorTitle, text.arg(words));
}

void RecordEditor::mailBoxLostFocus(QLineEdit* box) {
    const QString trimmed = SettingsRules::trimBlanks(box->text());
    if (trimmed != box->text())
        box->setText(trimmed);
    if (EditorRules::mailBoxRefused(box->text())) {
        m_ctx.dialogs().information(kEmailErrorTitle, kEmailError);
        box->clear();
        box->setFocus();
    }
}

DbStatus RecordEditor::setColumns(const QList<std::pair<QString, QVariant>>& columns) {
    for (const auto& [column, value] : columns) {
        const DbStatus status = m_set.setValue(column, value);
        if (!status.ok())
            return status;
    }
    return {};
}

QLabel* RecordEditor::boxLabel(const QString& name, const QString& text, QWidget* box) {
    auto* label = new QLabel(text, box ? box->parentWidget() : this);
    label->setObjectName(name);
    label->setBuddy(box);
    return label;
}

bool RecordEditor::Form_Load() {
    m_loaded = false;
    move(0, 0);
    const DbStatus status = m_set.open();
    if (!status.ok()) {
        if (status.error == DbError::FileNotFound) {
            m_ctx.dialogs().critical(TrapTexts::fileNotFoundTitle(), m_fileNotFoundText);
            m_ctx.endProgram(1);
        } else if (status.error == DbError::WrongPassword) {
            databaseTrap(m_ctx, status, unsigned(TrapFlag::WrongPassword));
        } else {
            reportDatabaseError(kLoadFailed, status);
        }
        return false;
    }
    fillfields();
    m_loaded = true;
    Text3->setFocus();
    return true;
}

void RecordEditor::fillfields() {
    if (m_set.hasCurrent()) {
        showRow(m_set.current());
        return;
    }
    if (m_set.eof() && !m_set.bof()) {
        m_set.movePrevious();
        cmdMoveNext->setEnabled(false);
        m_ctx.dialogs().information(kLastRecordTitle, kLastRecord);
        return;
    }
    // Before the first row, or no row at all (then the move finds none and nothing is said
    // while loading).
    m_set.moveNext();
    cmdMovePrevious->setEnabled(false);
    if (m_loaded)
        m_ctx.dialogs().information(kFirstRecordTitle, kFirstRecord);
}

void RecordEditor::cmdMoveNext_Click() {
    cmdMovePrevious->setEnabled(true);
    if (!m_set.eof()) {
        m_set.moveNext();
        fillfields();
    }
    Text3->setFocus();
}

void RecordEditor::cmdMovePrevious_Click() {
    cmdMoveNext->setEnabled(true);
    if (!m_set.bof()) {
        m_set.movePrevious();
        fillfields();
    }
    Text3->setFocus();
}

void RecordEditor::setMoveAndDeleteEnabled(bool enabled) {
    Command4->setEnabled(enabled);
    cmdMovePrevious->setEnabled(enabled);
    cmdMoveNext->setEnabled(enabled);
}

void RecordEditor::enterBrowsing() {
    Command2->setEnabled(true);
    setMoveAndDeleteEnabled(true);
}

void RecordEditor::Command2_Click() {
    if (Command2->text() == kAddNew) {
        clearEntries();
        Command2->setText(kCancel);
        Command2->setToolTip(kCancelTip);
        Command3->setEnabled(false);
        setMoveAndDeleteEnabled(false);
        Text1->setFocus();
    } else if (Command2->text() == kCancel) {
        Command2->setText(kAddNew);
        clearEntries();
        Command2->setToolTip(kAddNewTip);
        Command3->setEnabled(true);
        setMoveAndDeleteEnabled(true);
        if (!m_set.eof())
            fillfields();
        Text3->setFocus();
    }
}

void RecordEditor::readMe() {
    Text3->setFocus();
    m_ctx.dialogs().information(kReadMeTitle, kReadMe);
}

DbResult<bool> RecordEditor::keyTaken(qint64) {
    return {};
}

bool RecordEditor::keyIsFree(qint64 ownId) {
    const DbResult<bool> taken = keyTaken(ownId);
    if (!taken.ok()) {
        reportDatabaseError(kSaveFailed, taken.status);
        return false;
    }
    if (taken.value) {
        showDuplicate();
        return false;
    }
    return true;
}

bool RecordEditor::commit() {
    DbStatus status = writeColumns();
    if (status.ok())
        status = m_set.update();
    if (!status.ok()) {
        // Nothing of the row was written; the entries stay for another try.
        m_set.cancelUpdate();
        reportDatabaseError(kSaveFailed, status);
        return false;
    }
    return true;
}

void RecordEditor::Command3_Click() {
    if (!entriesPass())
        return;
    if (Command2->text() == kCancel)
        insertRecord();
    else if (Command2->text() == kAddNew)
        updateRecord();
    else
        Text3->setFocus();
}

void RecordEditor::updateRecord() {
    const bool hasRow = m_set.hasCurrent();
    if (keyIsUnique()) {
        if (!hasRow)
            return readMe();
        if (!keyIsFree(m_set.current().value(u"ID"_s).toLongLong()))
            return;
    }
    enterBrowsing();
    if (!hasRow)
        return readMe();
    if (!commit())
        return;
    fillfields();
    m_ctx.dialogs().information(kUpdatedTitle, kUpdated);
    Text3->setFocus();
}

void RecordEditor::insertRecord() {
    if (keyIsUnique() && !keyIsFree(-1))
        return;
    const QString saved = savedText();
    m_set.addNew();
    if (!commit())
        return;
    Command2->setText(kAddNew);
    Command2->setToolTip(kAddNewTip);
    enterBrowsing();
    fillfields();
    m_ctx.dialogs().plain(kSavedTitle, saved);
    Text3->setFocus();
}

void RecordEditor::Command4_Click() {
    if (!showsRecord()) {
        Text3->setFocus();
        m_ctx.dialogs().plain(kNoRecordTitle, kNoRecord);
        return;
    }
    if (!m_ctx.dialogs().question(kDeleteTitle, kDeleteQuestion)) {
        Text1->setFocus();
        return;
    }
    if (m_set.hasCurrent()) {
        const DbStatus status = m_set.deleteCurrent();
        if (!status.ok()) {
            reportDatabaseError(kDeleteFailed, status);
            Text1->setFocus();
            return;
        }
        if (!afterDelete())
            return;
        // The cursor stands on the row after the deleted one; past the end it goes back to
        // the last row, and when none is left the boxes are emptied.
        if (m_set.eof()) {
            if (m_set.recordCount() == 0) {
                noRowLeft();
                Text3->setFocus();
                return;
            }
            m_set.moveLast();
        }
        fillfields();
    }
    Text1->setFocus();
}

void RecordEditor::done(int result) {
    if (!m_unloaded) {
        m_unloaded = true;
        m_hooks->setActive(false);
        Form_Unload();
    }
    QDialog::done(result);
}

void RecordEditor::keyPressEvent(QKeyEvent* event) {
    // Escape does not close an editor (an unsaved entry would be lost without a word).
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void RecordEditor::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Text3->setGeometry(0, height() + 20, 20, 20);
}
