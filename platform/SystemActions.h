#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace ksv {

// System actions that the simulated platform records in the transcript ("act|<action>|<details>")
// instead of performing. The real backend uses the desktop's services (D-Bus for the screen saver
// and shutdown, xdg-open for documents and folders, QProcess for programs); with no bus or no
// service a call fails and returns false, it never crashes.
class SystemActions
{
public:
    virtual ~SystemActions();

    virtual bool screenSaverActive() = 0;
    virtual bool setScreenSaverActive(bool active) = 0;
    virtual bool shutdown() = 0;
    // Plays a sound file; silent when no player exists.
    virtual void playSound(const QString& nativePath) = 0;
    // A document or folder in the desktop's default program.
    virtual bool openDocument(const QString& nativePath) = 0;
    virtual bool openFolder(const QString& nativePath) = 0;
    // A file in the desktop's default text editor ("notepad FILE"). The default opens it as a
    // document.
    virtual bool openTextFile(const QString& nativePath);
    // Starts a companion or other program without waiting. program is a native path, a DOS path
    // or a name looked up in PATH.
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;
    // Runs a program and waits for its end; returns its exit code, or -1 when it could not start.
    // Preparation programs of query files really run, also on the simulated platform.
    virtual int runAndWait(const QString& program, const QStringList& arguments) = 0;
    // True while a Ctrl key is held (simulated: KESTRAVE_CTRL=1 in the environment).
    virtual bool ctrlHeld() = 0;
};

SystemActions& systemActions();
void installSystemActions(SystemActions* actions); // takes ownership

// "File in use" test: a non-blocking exclusive advisory-lock probe. True when another open file
// holds a lock on it (flock, or a POSIX/OFD record lock); false for a free, missing or
// unreadable file.
bool fileInUse(const QString& nativePath);

// The windowed programs install how the real backend reads the Ctrl key (the platform layer
// has no keyboard of its own); without it Ctrl never counts as held.
void setCtrlHeldProbe(std::function<bool()> probe);
bool ctrlHeldByProbe();

} // namespace ksv
