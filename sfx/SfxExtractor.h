#pragma once

#include "SfxFormat.h"
#include "ZipEntry.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace ksv {

// What the self-extractor does, without its window: reads the settings and the archive it
// carries, asks the questions of the settings through the dialogs service (message box before
// extraction, overwrite question, password, command confirmation, success message), extracts
// and runs the command line. The window and the console front end share it.
class SfxExtractor
{
public:
    enum ExitCode { Success = 0, Failed = 1, Declined = 2 };

    explicit SfxExtractor(QString programPath);

    // Reads the settings block and the contents; false (with error()) when there is no archive.
    bool load();
    QString error() const { return m_error; }

    const SfxSettings& settings() const { return m_settings; }
    QString caption() const;
    // The folder proposed for extraction, in the system's DOS form when a drive holds it:
    // "><" is the user's temporary folder, an empty setting the current folder.
    QString proposedFolder() const;
    QStringList fileNames() const;
    bool allowChanges() const { return m_settings.has(SfxOption::AllowChanges); }
    // Option 2 and a program name beginning with "!": extract at once, without the window.
    bool autoRun() const;

    // The message box before extraction; false when the user declined it.
    bool confirmStart();
    // Extracts the chosen files (all when names is empty) into folder (DOS or native), then
    // runs the command line. Returns an ExitCode.
    int extract(const QString& folder, const QStringList& names);

private:
    void runCommandLine(const QString& nativeFolder);

    QString m_program;
    QString m_error;
    SfxSettings m_settings;
    QList<ZipEntry> m_entries;
};

} // namespace ksv
