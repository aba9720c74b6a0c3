#include "TPassAdmini.h"

#include "Dialogs.h"
#include "WidgetTexts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TPassAdmini::TPassAdmini(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TPassAdmini"));
    setWindowTitle(ksv::WidgetTexts::adminPasswordCaption());
    setModal(true);

    auto* prompt = new QLabel(ksv::WidgetTexts::adminPasswordPrompt(), this);
    prompt->setObjectName(QStringLiteral("LbPassword"));
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("EdPassword"));
    m_edit->setEchoMode(QLineEdit::Password);
    m_edit->setMinimumWidth(240);
    prompt->setBuddy(m_edit);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("Buttons"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BtOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BtCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_edit);
    layout->addWidget(buttons);
    m_edit->setFocus();
}

QString TPassAdmini::password() const
{
    return m_edit->text();
}

std::optional<QString> TPassAdmini::ask(QWidget* parent)
{
    if (ksv::dialogsAreScripted())
        return ksv::dialogs().password(ksv::WidgetTexts::adminPasswordCaption(),
                                       ksv::WidgetTexts::adminPasswordPrompt());
    TPassAdmini dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.password();
}
