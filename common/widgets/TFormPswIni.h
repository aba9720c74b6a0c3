#pragma once

#include <QDialog>

class QLineEdit;
class QSpinBox;

// The package's permanent-password dialog: the permanent zip password (kept enciphered as
// [div] dateinstall, see PermanentPassword.h) and the auto-close delay ([general] timeoutsec).
// The password is typed twice; an empty password removes the stored one.
class TFormPswIni : public QDialog
{
    Q_OBJECT
public:
    // settingsPath: native path of the settings file (default: the package's iniFileName).
    explicit TFormPswIni(QWidget* parent = nullptr, const QString& settingsPath = {});

    // Some callers offer only the password (the quick backup disables the delay).
    void setTimeoutEditable(bool editable);

    QLineEdit* passwordEdit() const { return m_password; }
    QLineEdit* confirmEdit() const { return m_confirm; }
    QSpinBox* timeoutSpin() const { return m_timeout; }

    // Shows the dialog modally and stores on OK. With scripted questions the password is asked
    // through the dialogs service instead (the delay stays). True when something was stored.
    static bool run(QWidget* parent = nullptr, const QString& settingsPath = {}, bool timeoutEditable = true);

public slots:
    void accept() override;

private:
    QString m_settingsPath;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_confirm = nullptr;
    QSpinBox* m_timeout = nullptr;
};
