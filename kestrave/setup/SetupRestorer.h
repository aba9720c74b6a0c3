#pragma once

#include "TBackupFile.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace ksv {

// The work of the restore program shipped as "SETUP.EXE": finds the first piece of a cut file
// beside the program, asks where to restore it and rebuilds the file there, asking for the
// next disk when a piece is missing. Questions and notices go through the dialogs service.
class SetupRestorer
{
public:
    enum ExitCode : int { Restored = 0, Failed = 1, NothingDone = 2 };

    // programFolder: the native folder the program stands in.
    explicit SetupRestorer(QString programFolder);

    // The first pieces ("*.001" files) of a folder, sorted by name without regard to case.
    static QStringList firstPieces(const QString& folder);
    // The proposed destination: the current folder when it is not the program's folder, else
    // the program's folder.
    QString defaultDestination() const;

    // The first piece to restore: the given one, else the first found beside the program.
    // Empty (after telling the user) when there is none.
    QString chooseFirstPiece(const QString& given) const;
    // Asks for the destination (input box with the default); empty when cancelled.
    QString askDestination(const QString& firstPiece) const;

    // Restores firstPiece into destination and tells the user the outcome.
    ExitCode restore(const QString& firstPiece, const QString& destination);

    // Progress of the running restoration (0..100).
    void setProgressHandler(std::function<void(int)> handler) { m_progress = std::move(handler); }
    TBackupFile& engine() { return m_engine; }
    // The files written by the last restoration.
    const QStringList& restoredFiles() const { return m_restored; }

private:
    void needDisk(const QString& firstPiece, quint16 disk, bool& Continue);

    QString m_programFolder;
    TBackupFile m_engine;
    std::function<void(int)> m_progress;
    QStringList m_restored;
    QString m_errorText;
};

} // namespace ksv
