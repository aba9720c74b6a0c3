#pragma once

#include "SystemActions.h"

namespace ksv {

// The desktop's services: the screen saver through org.freedesktop.ScreenSaver (Inhibit while
// switched off), shutdown through org.freedesktop.login1 PowerOff, documents and folders through
// xdg-open, text files through the default text/plain application, sounds through paplay or
// aplay when installed, programs through QProcess. Ctrl comes from the probe the windowed
// programs install.
class LinuxSystemActions : public SystemActions
{
public:
    ~LinuxSystemActions() override;

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
    uint m_inhibitCookie = 0;
    bool m_inhibited = false;
};

} // namespace ksv
