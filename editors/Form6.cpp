#include "editors/Form6.h"

#include "app/AppContext.h"
#include "app/DatabaseTrap.h"
#include "app/MonitorHost.h"
#include "editors/EditorRules.h"
#include "editors/EditorTexts.h"
#include "editors/FieldHooks.h"
#include "settings/SettingsRules.h"
#include "storage/DeviceTable.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;
using namespace DeviceText;

namespace {
constexpr int kNameLength = 100;
constexpr int kMailLength = 100;
constexpr int kAverageLength = 4;

QLineEdit* box(QWidget* parent, const QString& name, const QString& tip, int maxLength) {
    auto* b = new QLineEdit(parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setMaxLength(maxLength);
    return b;
}
} // namespace

Form6::Form6(AppContext& ctx, MonitorHost& host, QWidget* parent)
    : RecordEditor(ctx, u"ComputerPingList"_s, u"ComputerName, ID"_s, TrapTexts::fileNotFoundText(),
                   parent),
      m_host(host) {
    setObjectName(u"Form6"_s);
    setWindowTitle(kCaption);

    Text1->setToolTip(kHostTip);
    Text1->setMaxLength(kNameLength);
    Text2 = box(this, u"Text2"_s, kMailTip, kMailLength);
    Text4 = box(this, u"Text4"_s, kAverageTip, kAverageLength);
    Label1 = boxLabel(u"Label1"_s, kHostLabel, Text1);
    Label2 = boxLabel(u"Label2"_s, kMailLabel, Text2);
    Label3 = boxLabel(u"Label3"_s, kAverageLabel, Text4);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Text1, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Text2, 1, 1);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(Text4, 2, 1, Qt::AlignLeft);
    grid->addWidget(Check1, 3, 1);
    auto* buttons = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(cmdMovePrevious), static_cast<QWidget*>(cmdMoveNext)})
        buttons->addWidget(w);
    buttons->addStretch(1);
    for (QWidget* w : {Command2, Command3, Command4})
        buttons->addWidget(w);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setColumnMinimumWidth(1, 360);
    setTabChain(
        {Text1, Text2, Text4, Command2, Command3, Command4, cmdMovePrevious, cmdMoveNext, Check1});

    connect(Text1, &QLineEdit::textChanged, this, &Form6::Text1_Change);
    m_hooks->onFocusLost(Text1, [this] { Text1_LostFocus(); });
    m_hooks->onFocusLost(Text2, [this] { Text2_LostFocus(); });
    m_hooks->onFocusLost(Text4, [this] { Text4_LostFocus(); });
}

Form6::~Form6() = default;

void Form6::Text1_Change() {
    Command3->setEnabled(!Text1->text().isEmpty());
}

void Form6::Text1_LostFocus() {
    Text1->setText(SettingsRules::trimBlanks(Text1->text()));
}

void Form6::Text2_LostFocus() {
    mailBoxLostFocus(Text2);
}

void Form6::Text4_LostFocus() {
    if (Text4->text().isEmpty())
        return;
    Text4->setText(EditorRules::leadingNumberText(Text4->text()));
    if (EditorRules::maxAverageRefused(Text4->text())) {
        m_ctx.dialogs().information(kInputErrorTitle, kInputError);
        Text4->clear();
        Text4->setFocus();
    }
}

void Form6::showRow(const QSqlRecord& row) {
    Text1->setText(textOf(row.value(u"ComputerName"_s)));
    Text2->setText(textOf(row.value(u"EmailWhenDown"_s)));
    Text4->setText(textOf(row.value(u"MaxAverage"_s)));
    Check1->setChecked(boolOf(row.value(u"Disabled"_s)));
}

void Form6::clearEntries() {
    Text1->clear();
    Text2->clear();
    Text4->clear();
    Check1->setChecked(false);
}

bool Form6::entriesPass() {
    if (!Text1->text().isEmpty())
        return true;
    m_ctx.dialogs().information(kEmptyFieldTitle, EditorText::kEmptyKey);
    Text1->setFocus();
    return false;
}

DbResult<bool> Form6::keyTaken(qint64 ownId) {
    return DeviceTable(m_ctx.databasePath()).nameTaken(Text1->text(), ownId);
}

void Form6::showDuplicate() {
    m_ctx.dialogs().critical(kDuplicateTitle, kDuplicate);
    Text1->setFocus();
}

DbStatus Form6::writeColumns() {
    return setColumns({{u"ComputerName"_s, Text1->text()},
                       {u"EmailWhenDown"_s, Text2->text()},
                       {u"MaxAverage"_s, Text4->text()},
                       {u"Disabled"_s, Check1->isChecked() ? 1 : 0}});
}

QString Form6::savedText() const {
    return kSaved.arg(Text1->text());
}

bool Form6::showsRecord() const {
    return !Text1->text().isEmpty();
}

bool Form6::afterDelete() {
    m_ctx.dialogs().information(EditorText::kDeletedTitle, EditorText::kDeleted);
    return true;
}

void Form6::noRowLeft() {
    Text1->clear();
    Text2->clear();
}

void Form6::Form_Unload() {
    m_host.refreshDeviceList();
}
