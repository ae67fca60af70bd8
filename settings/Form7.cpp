#include "settings/Form7.h"

#include "app/AppContext.h"
#include "app/PasswordBox.h"
#include "settings/SettingsRules.h"
#include "storage/SettingsTables.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {

// Every user-visible text of the email settings window.
namespace Text {
const QString kCaption = u"Email Settings"_s;
const QString kServerLabel = u"SMTP Server"_s;
const QString kServerTip =
    u"Enter your SMTP server. This can be either an I.P. or smtp domain address"_s;
const QString kUserLabel = u"SMTP User Name"_s;
const QString kUserTip = u"Enter your SMTP user name"_s;
const QString kPasswordLabel = u"SMTP Password"_s;
const QString kPasswordTip = u"Enter your SMTP password"_s;
const QString kFromEmailLabel = u"From Email"_s;
const QString kFromEmailTip =
    u"Enter the From email address that all email address will come from"_s;
const QString kFromNameLabel = u"From Name"_s;
const QString kFromNameTip = u"Enter the text that will appear in the From section of the email"_s;
const QString kPortLabel = u"SMTP Port"_s;
const QString kPortTip = u"Enter the Port your SMTP servers send on. Common ones are 25 or 2525"_s;
const QString kNoSsl = u"Only use an SMTP email that does not require SSL"_s;
const QString kOk = u"OK"_s;
const QString kOkTip = u"Click here to save the SMTP settings"_s;
const QString kEmptyFieldTitle = u"Empty Field"_s;
// In the order the fields are checked.
const QStringList kEmptyField{
    u"The SMTP Server Name field is blank. If you don't want to create a new record click Cancel."_s,
    u"The SMTP User Name field is blank. If you don't want to create a new record click Cancel."_s,
    u"The SMTP password field is blank. If you don't want to create a new record click Cancel."_s,
    u"The from email field is blank. If you don't want to create a new record click Cancel."_s,
    u"The from name field is blank. If you don't want to create a new record click Cancel."_s,
    u"The SMTP port field is blank. If you don't want to create a new record click Cancel."_s,
};
const QString kUpdatedTitle = u"Updated"_s;
const QString kUpdated = u"The email settings have been updated."_s;
const QString kDatabaseErrorTitle = u"Database Error"_s;
const QString kLoadFailed = u"The email settings could not be read from the database: %1."_s;
const QString kSaveFailed =
    u"The email settings could not be saved: %1. Nothing has been changed in the database."_s;
} // namespace Text

constexpr int kMaxLength = 100;

} // namespace

Form7::Form7(AppContext& ctx, QWidget* parent) : QDialog(parent), m_ctx(ctx) {
    setObjectName(u"Form7"_s);
    setWindowTitle(Text::kCaption);
    setModal(true);

    auto* grid = new QGridLayout(this);
    auto row = [this, grid](QLabel*& label, const QString& labelName, const QString& caption,
                            QLineEdit*& box, const QString& boxName, const QString& tip) {
        label = new QLabel(caption, this);
        label->setObjectName(labelName);
        box = new QLineEdit(this);
        box->setObjectName(boxName);
        box->setToolTip(tip);
        box->setMaxLength(kMaxLength);
        label->setBuddy(box);
        const int r = grid->rowCount();
        grid->addWidget(label, r, 0);
        grid->addWidget(box, r, 1);
    };
    row(Label1, u"Label1"_s, Text::kServerLabel, Text1, u"Text1"_s, Text::kServerTip);
    row(Label2, u"Label2"_s, Text::kUserLabel, Text2, u"Text2"_s, Text::kUserTip);
    row(Label3, u"Label3"_s, Text::kPasswordLabel, Text3, u"Text3"_s, Text::kPasswordTip);
    row(Label4, u"Label4"_s, Text::kFromEmailLabel, Text4, u"Text4"_s, Text::kFromEmailTip);
    row(Label5, u"Label5"_s, Text::kFromNameLabel, Text5, u"Text5"_s, Text::kFromNameTip);
    row(Label7, u"Label7"_s, Text::kPortLabel, Text7, u"Text7"_s, Text::kPortTip);
    maskWithAsterisks(Text3);

    Label8 = new QLabel(Text::kNoSsl, this);
    Label8->setObjectName(u"Label8"_s);
    grid->addWidget(Label8, grid->rowCount(), 0, 1, 2);
    Command1 = new QPushButton(Text::kOk, this);
    Command1->setObjectName(u"Command1"_s);
    Command1->setToolTip(Text::kOkTip);
    Command1->setAutoDefault(false);
    grid->addWidget(Command1, grid->rowCount(), 1, Qt::AlignRight);
    grid->setColumnMinimumWidth(1, 300);
    connect(Command1, &QPushButton::clicked, this, &Form7::Command1_Click);
}

Form7::~Form7() = default;

void Form7::showModal(AppContext& ctx, QWidget* parent) {
    Form7 form(ctx, parent);
    if (form.Form_Load())
        form.exec();
}

bool Form7::Form_Load() {
    const DbResult<SmtpSettingsRow> smtp = SmtpSettingsTable(m_ctx.databasePath()).read();
    if (!smtp.ok()) {
        m_ctx.dialogs().critical(
            Text::kDatabaseErrorTitle,
            Text::kLoadFailed.arg(SettingsRules::databaseFailureReason(smtp.status)));
        return false;
    }
    Text1->setText(smtp.value.serverName);
    Text2->setText(smtp.value.smtpUserName);
    Text3->setText(smtp.value.smtpPassword);
    Text4->setText(smtp.value.fromEmail);
    Text5->setText(smtp.value.fromName);
    Text7->setText(smtp.value.smtpPort);
    return true;
}

void Form7::Command1_Click() {
    const QList<QLineEdit*> fields{Text1, Text2, Text3, Text4, Text5, Text7};
    QStringList values;
    for (QLineEdit* field : fields) {
        field->setText(SettingsRules::trimBlanks(field->text()));
        values << field->text();
    }
    const int empty = SettingsRules::firstEmptyEmailField(values);
    if (empty >= 0) {
        m_ctx.dialogs().information(Text::kEmptyFieldTitle, Text::kEmptyField.at(empty));
        fields.at(empty)->setFocus();
        return;
    }

    SmtpSettingsRow row;
    row.serverName = values.at(0);
    row.smtpUserName = values.at(1);
    row.smtpPassword = values.at(2);
    row.fromEmail = values.at(3);
    row.fromName = values.at(4);
    row.smtpPort = values.at(5);
    const DbStatus saved = SmtpSettingsTable(m_ctx.databasePath()).write(row);
    if (!saved.ok()) {
        m_ctx.dialogs().critical(
            Text::kDatabaseErrorTitle,
            Text::kSaveFailed.arg(SettingsRules::databaseFailureReason(saved)));
        return;
    }
    m_ctx.values().fncGetSMTPsettings(m_ctx.databasePath());
    m_ctx.dialogs().information(Text::kUpdatedTitle, Text::kUpdated);
    accept();
}
