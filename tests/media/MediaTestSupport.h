#pragma once

#include "Dialogs.h"
#include "DriveServices_simulated.h"
#include "Drives.h"
#include "IniFile.h"
#include "PackageFiles.h"
#include "MediumCopy.h"
#include "PlatformEnvironment.h"
#include "ScriptedDialogs.h"
#include "ZipMaster.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// Shared by the medium tests: the simulated drives C: (fixed), A: and E: (removable) in a
// temporary folder, answers from a KESTRAVE_SCRIPT file with a hook that runs before each
// message box is answered (a test swaps the medium there), the transcript, and a host that
// collects what the main window would show.
namespace ksv::test {

// The scripted service with a hook before each message box: the transcript and the answers
// are those of the real scripted service.
class HookedDialogs : public ScriptedDialogs
{
public:
    std::function<void(const QString& text)> beforeAnswer;

protected:
    Button askMessage(MessageKind kind, const QString& text, const Buttons& buttons, const QString& caption) override
    {
        if (beforeAnswer)
            beforeAnswer(text);
        return ScriptedDialogs::askMessage(kind, text, buttons, caption);
    }
};

inline bool writeBytes(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline QByteArray randomBytes(qsizetype n, quint32 seed = 11)
{
    QByteArray b(n, Qt::Uninitialized);
    QRandomGenerator gen(seed);
    for (qsizetype i = 0; i < n; ++i)
        b[i] = char(gen.bounded(256));
    return b;
}

class MediaFixture
{
public:
    MediaFixture()
    {
        QDir root(m_dir.path());
        for (const char* d : {"c/prog/Sas_Zip", "a", "e"})
            root.mkpath(QLatin1String(d));
        writeBytes(drivesFile(), QStringLiteral("[C]\nroot=c\ntype=fixed\n"
                                                "[A]\nroot=a\ntype=removable\ncapacity=1457664\n"
                                                "[E]\nroot=e\ntype=removable\ncapacity=1457664\n")
                                     .toUtf8());
        writeBytes(scriptFile(), {});
        qputenv("KESTRAVE_DRIVES", QFile::encodeName(drivesFile()));
        qputenv("KESTRAVE_SCRIPT", QFile::encodeName(scriptFile()));
        qputenv("KESTRAVE_TRANSCRIPT", QFile::encodeName(transcriptFile()));
        setNow("2026-12-08T10:00:00"); // a Tuesday
        installDriveServices(new SimulatedDriveServices(drivesFile()));
        dialogs = new HookedDialogs;
        installDialogs(dialogs);
        ScriptedDialogs::restartScript();

        host.appendLog = [this](const QString& line) { log << line; };
        host.addErrorLine = [this](const QString& line) { errors << line; };
        host.addProcessLine = [this](const QString& line) { process << line; };
        host.setCaption = [this](const QString& text) { captions << text; };
        host.setInfo = [this](const QString& text) { info = text; };
        host.setFinalInfos = [this](const QString& text) { finalInfos = text; };
        host.setExploHint = [this](const QString& text) { exploHint = text; };
        host.destinationChanged = [this](const QString& d) { destinations << d; };
        host.processEvents = [this] {
            ++pauses;
            if (onPause)
                onPause();
        };
    }

    ~MediaFixture()
    {
        installDialogs(new ScriptedDialogs);
        qunsetenv("KESTRAVE_SCRIPT");
        qunsetenv("KESTRAVE_TRANSCRIPT");
        PlatformEnvironment::reload();
    }

    static void setNow(const char* now)
    {
        qputenv("KESTRAVE_NOW", now);
        PlatformEnvironment::reload();
    }

    void script(const QStringList& answers)
    {
        writeBytes(scriptFile(), answers.join(QLatin1Char('\n')).toUtf8());
        ScriptedDialogs::restartScript();
    }

    // A key of a drive's section in the drive file ("label", "present", "readonly", "capacity").
    void setDrive(const QString& letter, const QString& key, const QString& value)
    {
        IniFile(drivesFile()).writeString(letter, key, value);
    }
    QString driveKey(const QString& letter, const QString& key) const
    {
        return IniFile(drivesFile()).readString(letter, key);
    }

    // A real ZIP archive of about `bytes` bytes (stored noise) at the native path.
    static bool makeArchive(const QString& nativePath, qsizetype bytes, quint32 seed = 3)
    {
        const QString payload = QFileInfo(nativePath).absolutePath() + QStringLiteral("/payload.bin");
        if (!writeBytes(payload, randomBytes(bytes, seed)))
            return false;
        ZipMaster zip;
        zip.setFileName(nativePath);
        zip.setAddCompLevel(0);
        zip.setFSpecArgs({payload});
        const int rc = zip.Add();
        QFile::remove(payload);
        return rc == 0 && QFileInfo(nativePath).isFile();
    }

    QStringList transcript() const
    {
        const QString text = QString::fromUtf8(readBytes(transcriptFile()));
        return text == QLatin1String("<missing>") ? QStringList() : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QStringList questions() const { return transcript().filter(QRegularExpression(QStringLiteral("^ask\\|"))); }
    QStringList actions(const QString& action) const
    {
        return transcript().filter(QRegularExpression(QStringLiteral("^act\\|") + action + QStringLiteral("\\|")));
    }

    QString path(const QString& rel) const { return m_dir.path() + QLatin1Char('/') + rel; }
    QString drivesFile() const { return path(QStringLiteral("drives.ini")); }
    QString scriptFile() const { return path(QStringLiteral("script.txt")); }
    QString transcriptFile() const { return path(QStringLiteral("transcript.txt")); }
    // The work archive of a run, "C:\prog\Sas_Zip\work.zip".
    QString workDos() const { return QStringLiteral("C:\\prog\\Sas_Zip\\work.zip"); }
    QString workNative() const { return path(QStringLiteral("c/prog/Sas_Zip/work.zip")); }

    HookedDialogs* dialogs = nullptr;
    MediumCopyHost host;
    QStringList log;
    QStringList errors;
    QStringList process;
    QStringList captions;
    QStringList destinations;
    QString info;
    QString finalInfos;
    QString exploHint;
    int pauses = 0;
    std::function<void()> onPause;

private:
    QTemporaryDir m_dir;
};

} // namespace ksv::test
