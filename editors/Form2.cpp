#include "editors/Form2.h"

#include "app/AppContext.h"
#include "app/DatabaseTrap.h"
#include "app/PasswordBox.h"
#include "editors/EditorTexts.h"
#include "storage/JobTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;
using namespace JobText;

namespace {
constexpr int kTextLength = 100;
constexpr int kPathLength = 255;
constexpr int kNamePartLength = 50;
constexpr int kLetterLength = 1;

QGroupBox* frame(QWidget* parent, const QString& name, const QString& title) {
    auto* f = new QGroupBox(title, parent);
    f->setObjectName(name);
    return f;
}

// Adds label and field as the next row of a frame's grid.
void addRow(QGridLayout* grid, QLabel* label, QWidget* field) {
    const int row = grid->rowCount();
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
}

void emptyList(QComboBox* list) {
    list->setCurrentIndex(-1);
    list->clearEditText();
}

// Puts a stored text into a list when it is one of its items; anything else leaves it empty.
void selectStored(QComboBox* list, const QString& stored) {
    if (stored.isEmpty())
        return;
    const int index = list->findText(stored, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        list->setCurrentIndex(index);
}

QString selectionOf(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return EditorRules::listSelection(list->currentText(), items);
}
} // namespace

Form2::Form2(AppContext& ctx, QWidget* parent)
    : RecordEditor(ctx, u"Services"_s, u"ComputerName, ID"_s, kFileNotFound, parent) {
    setObjectName(u"Form2"_s);
    setWindowTitle(kCaption);
    buildServiceSection();
    buildOtherSections();

    Label9 = boxLabel(u"Label9"_s, kOneSection, nullptr);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Check1);
    buttons->addStretch(1);
    for (QWidget* w : std::initializer_list<QWidget*>{cmdMovePrevious, cmdMoveNext, Command2,
                                                      Command3, Command4})
        buttons->addWidget(w);
    auto* grid = new QGridLayout(this);
    grid->addWidget(Frame2, 0, 0, 3, 1);
    grid->addWidget(Frame1, 0, 1);
    grid->addWidget(Frame3, 1, 1);
    grid->addWidget(Frame4, 2, 1);
    grid->addWidget(Label9, 3, 0, 1, 2);
    grid->addLayout(buttons, 4, 0, 1, 2);

    QList<QWidget*> chain{
        Text1,  Text8,  Text9,  Text10,   Text2,    Text4,    Text5,           Text6,       Text7,
        Text11, Text14, Text12, Combo1,   Text13,   Text15,   Text16,          Combo2,      Text17,
        Text19, Text18, Text20, Command2, Command3, Command4, cmdMovePrevious, cmdMoveNext, Check1};
    for (QCheckBox* box : restartBoxes())
        chain << box;
    setTabChain(chain);
    installInputRules();
}

Form2::~Form2() = default;

QLineEdit* Form2::addBox(QWidget* parent, const QString& name, const QString& tip, int maxLength) {
    // Text1 is made with the window; the frame's layout takes it in.
    QLineEdit* box = name == u"Text1"_s ? Text1 : new QLineEdit(parent);
    box->setObjectName(name);
    box->setToolTip(tip);
    box->setMaxLength(maxLength);
    m_controls.insert(name, box);
    return box;
}

QComboBox* Form2::addList(QWidget* parent, const QString& name, const QString& tip,
                          const QStringList& items) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->setToolTip(tip);
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->addItems(items);
    emptyList(list);
    m_controls.insert(name, list);
    return list;
}

void Form2::buildServiceSection() {
    Frame2 = frame(this, u"Frame2"_s, kServiceFrame);
    auto* grid = new QGridLayout(Frame2);
    addBox(Frame2, u"Text1"_s, kPcTip, kTextLength);
    Text8 = addBox(Frame2, u"Text8"_s, kUserTip, kTextLength);
    Text9 = addBox(Frame2, u"Text9"_s, kPasswordTip, kTextLength);
    maskWithAsterisks(Text9);
    Text10 = addBox(Frame2, u"Text10"_s, kMailTip, kTextLength);
    addRow(grid, boxLabel(u"Label1"_s, kPcLabel, Text1), Text1);
    addRow(grid, boxLabel(u"Label3"_s, kUserLabel, Text8), Text8);
    addRow(grid, boxLabel(u"Label4"_s, kPasswordLabel, Text9), Text9);
    addRow(grid, boxLabel(u"Label5"_s, kMailLabel, Text10), Text10);

    QLineEdit** services[] = {&Text2, &Text4, &Text5, &Text6, &Text7, &Text11};
    QCheckBox** restarts[] = {&Check2, &Check3, &Check4, &Check5, &Check6, &Check7};
    const QStringList& names = EditorRules::serviceBoxes();
    const int header = grid->rowCount();
    for (int i = 0; i < 6; ++i) {
        *services[i] = addBox(Frame2, names.at(i), kServiceTips.at(i), kTextLength);
        *restarts[i] = new QCheckBox(kRestartCaption, Frame2);
        (*restarts[i])->setObjectName(u"Check%1"_s.arg(i + 2));
        (*restarts[i])->setToolTip(kRestartTip);
        // A screen reader tells the six rows apart by their numbers.
        (*services[i])->setAccessibleName(u"%1 %2"_s.arg(kServicesLabel).arg(i + 1));
        (*restarts[i])->setAccessibleName(u"%1 %2"_s.arg(kRestartLabel).arg(i + 1));
        grid->addWidget(*services[i], header + 1 + i, 1);
        grid->addWidget(*restarts[i], header + 1 + i, 2);
    }
    grid->addWidget(boxLabel(u"Label2"_s, kServicesLabel, Text2), header, 1);
    grid->addWidget(boxLabel(u"Label17"_s, kRestartLabel, nullptr), header, 2);
    Text14 = addBox(Frame2, u"Text14"_s, kAlwaysTip, kTextLength);
    addRow(grid, boxLabel(u"Label10"_s, kAlwaysLabel, Text14), Text14);
    grid->setRowStretch(grid->rowCount(), 1);
}

void Form2::buildOtherSections() {
    Frame1 = frame(this, u"Frame1"_s, kAgeFrame);
    auto* age = new QGridLayout(Frame1);
    Text12 = addBox(Frame1, u"Text12"_s, kPathTip, kPathLength);
    Combo1 = addList(Frame1, u"Combo1"_s, kAgeTip, ageOfFileTexts());
    Text13 = addBox(Frame1, u"Text13"_s, kMailTip, kTextLength);
    addRow(age, boxLabel(u"Label6"_s, kPathLabel, Text12), Text12);
    addRow(age, boxLabel(u"Label8"_s, kAgeLabel, Combo1), Combo1);
    addRow(age, boxLabel(u"Label7"_s, kMailLabel, Text13), Text13);

    Frame3 = frame(this, u"Frame3"_s, kExistFrame);
    auto* exist = new QGridLayout(Frame3);
    Text15 = addBox(Frame3, u"Text15"_s, kFolderTip, kPathLength);
    Text16 = addBox(Frame3, u"Text16"_s, kNamePartTip, kNamePartLength);
    Combo2 = addList(Frame3, u"Combo2"_s, kActionTip, fileExistActionTexts());
    Text17 = addBox(Frame3, u"Text17"_s, kMailTip, kTextLength);
    addRow(exist, boxLabel(u"Label11"_s, kFolderLabel, Text15), Text15);
    addRow(exist, boxLabel(u"Label12"_s, kNamePartLabel, Text16), Text16);
    addRow(exist, boxLabel(u"Label13"_s, kActionLabel, Combo2), Combo2);
    addRow(exist, boxLabel(u"Label14"_s, kMailLabel, Text17), Text17);

    Frame4 = frame(this, u"Frame4"_s, kDriveFrame);
    auto* drive = new QGridLayout(Frame4);
    Text19 = addBox(Frame4, u"Text19"_s, QString(), kTextLength);
    Text18 = addBox(Frame4, u"Text18"_s, QString(), kLetterLength);
    Text20 = addBox(Frame4, u"Text20"_s, kMailTip, kTextLength);
    addRow(drive, boxLabel(u"Label16"_s, kDrivePcLabel, Text19), Text19);
    addRow(drive, boxLabel(u"Label15"_s, kLetterLabel, Text18), Text18);
    addRow(drive, boxLabel(u"Label18"_s, kMailLabel, Text20), Text20);
}

QList<QCheckBox*> Form2::restartBoxes() const {
    return {Check2, Check3, Check4, Check5, Check6, Check7};
}

void Form2::showRow(const QSqlRecord& row) {
    emptyList(Combo1);
    emptyList(Combo2);
    Text10->clear();
    Text13->clear();
    for (QCheckBox* box : restartBoxes())
        box->setChecked(false);

    const JobRecord job = jobFromValues(row);
    const QList<std::pair<QLineEdit*, QString>> texts{
        {Text1, job.computerName},
        {Text2, job.service[0]},
        {Text4, job.service[1]},
        {Text5, job.service[2]},
        {Text6, job.service[3]},
        {Text7, job.service[4]},
        {Text11, job.service[5]},
        {Text14, job.alwaysRestartThisService},
        {Text8, job.adminUserName},
        {Text9, job.adminPassword},
        {Text12, job.filePathToCheck},
        {Text15, job.checkIfFileExistFolder},
        {Text16, job.fileNameOfFileExist},
        {Text17, job.fileExistEmailHere},
        {Text18, job.checkIfDriveExistDriveLetter},
        {Text19, job.checkIfDriveExistPCName},
        {Text20, job.checkIfDriveExistEmailIfIssue},
    };
    for (const auto& [box, text] : texts)
        box->setText(text);

    // The restart boxes after their service boxes, so only a flag stored for an empty service
    // slot runs into the restart rule.
    Check1->setChecked(job.disabled);
    const QList<QCheckBox*> restart = restartBoxes();
    for (int i = 0; i < 6; ++i)
        restart.at(i)->setChecked(job.restartService[size_t(i)]);

    selectStored(Combo1, job.ageOfFile);
    selectStored(Combo2, job.fileExistEmailifThereOrNot);
    if (!job.computerName.isEmpty())
        Text10->setText(job.emailWhenDown);
    else if (!job.filePathToCheck.isEmpty())
        Text13->setText(job.emailWhenDown);
}

void Form2::clearEntries() {
    // The check boxes first, while the service boxes still hold their names.
    Check1->setChecked(false);
    for (QCheckBox* box : restartBoxes())
        box->setChecked(false);
    for (auto it = m_controls.cbegin(); it != m_controls.cend(); ++it) {
        if (auto* box = qobject_cast<QLineEdit*>(it.value()))
            box->clear();
        else if (auto* list = qobject_cast<QComboBox*>(it.value()))
            emptyList(list);
    }
}

EditorRules::JobEntries Form2::entries() const {
    EditorRules::JobEntries e;
    e.text1 = Text1->text();
    e.text2 = Text2->text();
    e.text8 = Text8->text();
    e.text9 = Text9->text();
    e.text12 = Text12->text();
    e.combo1 = selectionOf(Combo1);
    e.text13 = Text13->text();
    e.text15 = Text15->text();
    e.combo2 = selectionOf(Combo2);
    e.text16 = Text16->text();
    e.text17 = Text17->text();
    e.text18 = Text18->text();
    e.text19 = Text19->text();
    e.text20 = Text20->text();
    return e;
}

bool Form2::entriesPass() {
    const int failed = EditorRules::firstFailedJobCheck(entries());
    if (failed < 0)
        return true;
    const Check& check = kChecks.at(failed);
    m_ctx.dialogs().information(check.title, check.message);
    m_controls.value(check.focus)->setFocus();
    return false;
}

DbStatus Form2::writeColumns() {
    QList<std::pair<QString, QVariant>> columns{
        {u"ComputerName"_s, Text1->text()},  {u"Service1"_s, Text2->text()},
        {u"Service2"_s, Text4->text()},      {u"Service3"_s, Text5->text()},
        {u"Service4"_s, Text6->text()},      {u"Service5"_s, Text7->text()},
        {u"Service6"_s, Text11->text()},     {u"AlwaysRestartThisService"_s, Text14->text()},
        {u"AdminUserName"_s, Text8->text()}, {u"AdminPassword"_s, Text9->text()},
    };
    // The two sections share EmailWhenDown; with neither key it keeps what it holds.
    if (!Text1->text().isEmpty())
        columns.append({u"EmailWhenDown"_s, Text10->text()});
    else if (!Text12->text().isEmpty())
        columns.append({u"EmailWhenDown"_s, Text13->text()});
    columns.append({u"FilePathToCheck"_s, Text12->text()});
    // A list without a selection keeps the stored value.
    if (const QString age = selectionOf(Combo1); !age.isEmpty())
        columns.append({u"AgeOfFile"_s, age});
    columns.append({u"CheckIfFileExistFolder"_s, Text15->text()});
    columns.append({u"FileNameOfFileExist"_s, Text16->text()});
    columns.append({u"FileExistEmailHere"_s, Text17->text()});
    columns.append({u"CheckIfDriveExistDriveLetter"_s, Text18->text()});
    columns.append({u"CheckIfDriveExistPCName"_s, Text19->text()});
    columns.append({u"CheckIfDriveExistEmailIfIssue"_s, Text20->text()});
    if (const QString action = selectionOf(Combo2); !action.isEmpty())
        columns.append({u"FileExistEmailifThereOrNot"_s, action});
    columns.append({u"Disabled"_s, Check1->isChecked() ? 1 : 0});
    const QList<QCheckBox*> restart = restartBoxes();
    for (int i = 0; i < 6; ++i)
        columns.append({u"RestartService%1"_s.arg(i + 1), restart.at(i)->isChecked() ? 1 : 0});
    return setColumns(columns);
}

QString Form2::savedText() const {
    return EditorRules::jobSavedText(entries());
}

bool Form2::showsRecord() const {
    for (const QString& key : EditorRules::keyBoxes())
        if (!static_cast<QLineEdit*>(m_controls.value(key))->text().isEmpty())
            return true;
    return false;
}

void Form2::fncCountNumberOfRecords() {
    m_recordCount = 0;
    const DbResult<int> count = JobTable(m_ctx.databasePath()).countAll();
    if (count.ok()) {
        m_recordCount = count.value;
        return;
    }
    const TrapAction action =
        databaseTrap(m_ctx, count.status,
                     TrapFlag::WrongPassword | TrapFlag::BadDatabase | TrapFlag::NoCurrentRecord);
    if (action == TrapAction::LeaveRoutine) {
        // The window still knows how many rows it holds; a failed count must not close it.
        reportDatabaseError(EditorText::kCountFailed, count.status);
        m_recordCount = browseSet().recordCount();
    }
}

bool Form2::afterDelete() {
    fncCountNumberOfRecords();
    if (m_ctx.ended())
        return false;
    if (m_recordCount != 0) {
        m_ctx.dialogs().information(EditorText::kDeletedTitle, EditorText::kDeleted);
        return true;
    }
    m_ctx.dialogs().information(EditorText::kDeletedTitle, kDeletedLast);
    reject();
    return false;
}

void Form2::noRowLeft() {
    Text1->clear();
}
