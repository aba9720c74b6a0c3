#pragma once

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;

namespace ksv {

class SfxExtractor;

// The self-extractor's window: caption, proposed folder (changeable unless the archive locks
// it), the list of files (choice changeable unless locked), Extract and Cancel.
class SfxWindow : public QDialog
{
    Q_OBJECT

public:
    explicit SfxWindow(const SfxExtractor& extractor, QWidget* parent = nullptr);

    QString folder() const;
    QStringList chosenNames() const;

private:
    void browse();

    QLineEdit* m_folder = nullptr;
    QListWidget* m_files = nullptr;
};

} // namespace ksv
