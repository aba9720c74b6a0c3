#pragma once

#include "Dialogs.h"

#include <QList>
#include <QString>
#include <QUrl>

namespace ksv {

// The dialogs service of the windowed programs: message boxes with the kind's icon and the
// exact buttons asked for, in the order asked (MessageDialog), input and password boxes, file
// and folder dialogs. File dialogs start in the native folder of the DOS path given, else on a
// drive, list the drives in their side bar and size their columns to the names shown; filters
// may be written in the Windows manner ("Zip files|*.zip|All files|*.*").
class QtDialogs : public Dialogs
{
public:
    // "Zip files|*.zip;*.exe|All|*.*" -> "Zip files (*.zip *.exe);;All (*.*)"; a filter without
    // "|" is returned unchanged.
    static QString qtFilter(const QString& windowsFilter);
    // "\r\n" and "\r" turned into "\n".
    static QString displayText(const QString& text);
    // Where a file or folder dialog opens: the native folder of the DOS path given (or its
    // nearest existing parent on the drive), else the root of drive C, else of the first drive
    // holding a medium; never the process's current folder.
    static QString startFolder(const QString& folder);
    // The roots of the drives holding a medium, for the side bar of file dialogs.
    static QList<QUrl> driveUrls();

protected:
    Button askMessage(MessageKind kind, const QString& text, const Buttons& buttons, const QString& caption) override;
    std::optional<QString> askText(TextKind kind, const QString& caption, const QString& prompt,
                                   const QString& initial) override;
    std::optional<QString> askPath(PathKind kind, const QString& caption, const QString& folder,
                                   const QString& filter) override;
};

// Installs the Qt dialogs unless the environment asks for scripted answers (KESTRAVE_SCRIPT or
// KESTRAVE_UNATTENDED), and lets the real platform read the Ctrl key from the keyboard.
// Call it once the QApplication exists.
void installDefaultDialogsForGui();

} // namespace ksv
