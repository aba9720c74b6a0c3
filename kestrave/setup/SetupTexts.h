#pragma once

#include <QString>

// The texts of the restore program shipped as "SETUP.EXE", in one place.
namespace ksv::SetupTexts {

inline QString caption() { return QStringLiteral("Kestrave - Restore split files"); }
inline QString noFirstPiece(const QString& folder)
{
    return QStringLiteral("No first part (*.001) of a split file was found in \"%1\".").arg(folder);
}
inline QString pieceMissing(const QString& path) { return QStringLiteral("The first part \"%1\" does not exist.").arg(path); }
inline QString destinationPrompt(const QString& piece)
{
    return QStringLiteral("Restore \"%1\" into the folder:").arg(piece);
}
inline QString cannotCreateFolder(const QString& folder)
{
    return QStringLiteral("The folder \"%1\" cannot be created.").arg(folder);
}
inline QString nextDiskPrompt(int disk)
{
    return QStringLiteral("Please insert disk %1 and click OK to continue.").arg(disk);
}
inline QString restored(const QString& target) { return QStringLiteral("\"%1\" is restored.").arg(target); }
inline QString restoredNothing() { return QStringLiteral("The split file held no file to restore."); }
inline QString stopped() { return QStringLiteral("The restoration was stopped; the files restored so far stay in place."); }
inline QString failed(const QString& reason)
{
    return QStringLiteral("The restoration failed: %1").arg(reason.isEmpty() ? QStringLiteral("unknown error") : reason);
}
inline QString progress(int percent) { return QStringLiteral("Restoring: %1 %").arg(percent); }
inline QString pieceLabel() { return QStringLiteral("First part:"); }
inline QString destinationLabel() { return QStringLiteral("Restore into:"); }
inline QString chooseFolderCaption() { return QStringLiteral("Restore into"); }
inline QString browseButton() { return QStringLiteral("..."); }
inline QString restoreButton() { return QStringLiteral("Restore"); }
inline QString quitButton() { return QStringLiteral("Quit"); }
inline QString usage()
{
    return QStringLiteral(
        "Usage: SETUP.EXE [--console] [--dest FOLDER] [FIRST_PART.001]\n"
        "Restores a file cut into parts (.001, .002, ...) by Kestrave, without Kestrave installed.\n"
        "The first part is looked for beside this program (the first by name when there are\n"
        "several). The parts that follow are read from the same folder; when one is missing,\n"
        "the program asks for the next disk.\n"
        "  --console      work in the terminal even when a display exists\n"
        "  --dest FOLDER  restore into FOLDER without asking (default: the current folder when\n"
        "                 it differs from this program's folder, else this program's folder)\n"
        "Exit status: 0 restored, 1 failed or stopped, 2 nothing restored (no part, cancelled).\n");
}

} // namespace ksv::SetupTexts
