#include "TFormPswIni.h"

#include "Dialogs.h"
#include "IniFile.h"
#include "PermanentPassword.h"
#include "Settings.h"
#include "SettingsKeys.h"
#include "WidgetTexts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace K = ksv::SettingsKeys;

TFormPswIni::TFormPswIni(QWidget* parent, const QString& settingsPath)
    : QDialog(parent), m_settingsPath(settingsPath.isEmpty() ? ksv::Settings::iniFileName() : settingsPath)
{
    setObjectName(QStringLiteral("TFormPswIni"));
    setWindowTitle(ksv::WidgetTexts::permanentPasswordCaption());
    setModal(true);

    const ksv::IniFile ini(m_settingsPath);
    const QString current = ksv::PermanentPassword::decipher(ksv::Settings::storedPermanentPassword(ini));

    m_password = new QLineEdit(current, this);
    m_password->setObjectName(QStringLiteral("EdPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMinimumWidth(220);
    m_confirm = new QLineEdit(current, this);
    m_confirm->setObjectName(QStringLiteral("EdConfirm"));
    m_confirm->setEchoMode(QLineEdit::Password);
    m_timeout = new QSpinBox(this);
    m_timeout->setObjectName(QStringLiteral("SpinTimeout"));
    m_timeout->setRange(1, 3600);
    m_timeout->setSuffix(ksv::WidgetTexts::secondsSuffix());
    m_timeout->setValue(ksv::GeneralSettings::load(ini).timeoutsec);

    auto* form = new QFormLayout;
    form->addRow(ksv::WidgetTexts::permanentPasswordLabel(), m_password);
    form->addRow(ksv::WidgetTexts::confirmPasswordLabel(), m_confirm);
    form->addRow(ksv::WidgetTexts::autoCloseLabel(), m_timeout);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BtOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BtCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormPswIni::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void TFormPswIni::setTimeoutEditable(bool editable)
{
    m_timeout->setEnabled(editable);
}

void TFormPswIni::accept()
{
    if (m_password->text() != m_confirm->text()) {
        ksv::dialogs().message(ksv::MessageKind::Warning, ksv::WidgetTexts::passwordsDiffer());
        m_confirm->setFocus();
        m_confirm->selectAll();
        return;
    }
    ksv::IniFile ini(m_settingsPath);
    if (!ksv::PermanentPassword::store(ini, m_password->text())) {
        ksv::dialogs().message(ksv::MessageKind::Error, ksv::WidgetTexts::passwordNotStored());
        return;
    }
    if (m_timeout->isEnabled())
        ini.writeInteger(K::General, K::general::timeoutsec, m_timeout->value());
    QDialog::accept();
}

bool TFormPswIni::run(QWidget* parent, const QString& settingsPath, bool timeoutEditable)
{
    if (ksv::dialogsAreScripted()) {
        const auto answer = ksv::dialogs().password(ksv::WidgetTexts::permanentPasswordCaption(),
                                                    ksv::WidgetTexts::permanentPasswordLabel());
        if (!answer)
            return false;
        ksv::IniFile ini(settingsPath.isEmpty() ? ksv::Settings::iniFileName() : settingsPath);
        return ksv::PermanentPassword::store(ini, *answer);
    }
    TFormPswIni dialog(parent, settingsPath);
    dialog.setTimeoutEditable(timeoutEditable);
    return dialog.exec() == QDialog::Accepted;
}
