#pragma once

#include "SystemActions.h"

namespace ksv {

// Records every system action as an "act|" line of the transcript instead of performing it:
//   act|screensaver|on / off       act|shutdown|poweroff        act|sound|<file name>
//   act|open|<path>                act|explore|<path>           act|edit|<path>
//   act|start|<program file name> <arguments>
// Paths are written in DOS form when they lie on a drive, else natively. runAndWait really runs
// the program (a query file's preparation program) and records "act|run|<program> <arguments>".
// The screen saver starts active unless KESTRAVE_SCREENSAVER=0; Ctrl is held with KESTRAVE_CTRL=1.
class SimulatedSystemActions : public SystemActions
{
public:
    SimulatedSystemActions();

    bool screenSaverActive() override;
    bool setScreenSaverActive(bool active) override;
    bool shutdown() override;
    void playSound(const QString& nativePath) override;
    bool openDocument(const QString& nativePath) override;
    bool openFolder(const QString& nativePath) override;
    bool openTextFile(const QString& nativePath) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    int runAndWait(const QString& program, const QStringList& arguments) override;
    bool ctrlHeld() override;

private:
    bool m_screenSaverActive = true;
};

} // namespace ksv
