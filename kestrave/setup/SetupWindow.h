#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace ksv {

class SetupRestorer;

// The restore program's small window: the first piece, the destination folder with a browse
// button, Restore and Quit, and the progress.
class SetupWindow : public QDialog
{
    Q_OBJECT

public:
    SetupWindow(SetupRestorer& restorer, QString firstPiece, const QString& destination, QWidget* parent = nullptr);

    int exitCode() const { return m_exitCode; }

public slots:
    void reject() override;

private:
    void restore();

    SetupRestorer& m_restorer;
    QString m_firstPiece;
    QLineEdit* m_destination = nullptr;
    QPushButton* m_restore = nullptr;
    QPushButton* m_quit = nullptr;
    QProgressBar* m_progress = nullptr;
    int m_exitCode = 2;
};

} // namespace ksv
