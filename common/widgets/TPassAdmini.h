#pragma once

#include <QDialog>

#include <optional>

class QLineEdit;

// The package's administrator password dialog: one masked edit, OK and Cancel.
class TPassAdmini : public QDialog
{
    Q_OBJECT
public:
    explicit TPassAdmini(QWidget* parent = nullptr);

    QString password() const;
    QLineEdit* passwordEdit() const { return m_edit; }

    // Asks for the administrator password: through the scripted dialogs service when questions
    // are scripted (so tests and unattended runs answer it), else with this dialog, modally.
    // nullopt when cancelled.
    static std::optional<QString> ask(QWidget* parent = nullptr);

private:
    QLineEdit* m_edit = nullptr;
};
