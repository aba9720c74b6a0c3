#pragma once

#include <QString>
#include <QStringList>

namespace ksv {

// The restore window's state for the whole program run, shared by every instance of the window.
struct RestoreRunState
{
    QStringList foundPieces; // first pieces found in the folder, by name
    QString source;          // the first piece
    QString destination;     // destination folder, empty: the stored paths
    QString lastTarget;      // the target path of the last file the engine announced
    bool outcome = false;    // the last restoration succeeded
};

} // namespace ksv
