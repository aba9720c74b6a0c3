#pragma once

#include <QString>

namespace ksv {

// The cutting window's state for the whole program run: one set, shared by every instance of
// the window, carried over from one opening to the next.
struct CutRunState
{
    QString sourcePath;
    QString destinationFolder; // with its trailing "\"
    QString firstPiece;
    qint32 sizeLimit = 0;      // bytes
    qint32 lastPieceNumber = 0; // the last piece number the engine asked for
    QString diskTag;
    bool outcome = false;      // the last cut succeeded
    // Cleared by Cancel in a disk prompt, set again by OK; a cut whose disk needs no prompt
    // does not start while it is clear.
    bool goAhead = true;
};

} // namespace ksv
