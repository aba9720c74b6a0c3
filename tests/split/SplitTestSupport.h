#pragma once

#include "Dialogs.h"
#include "DriveServices_simulated.h"
#include "Drives.h"
#include "RunnerContext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// Shared by the tests of the cutting and restore windows: a dialogs service that answers from
// a queue and records every question, a simulated drive table in a temporary folder, and a
// context that collects the log and the error list.
namespace ksv::test {

class RecordingDialogs : public Dialogs
{
public:
    struct Question
    {
        MessageKind kind;
        QString text;
        Buttons buttons;
    };
    QList<Question> asked;
    QList<Button> answers;           // message boxes, in order; then the safe answer
    QList<std::optional<QString>> paths; // file dialogs, in order; then cancelled
    QStringList pathFolders;         // the folder each file dialog started in
    QStringList pathFilters;
    // Runs before a message box is answered (a test swaps the disk there, or clicks Cancel).
    std::function<void(const Question&)> beforeAnswer;

    QStringList texts() const
    {
        QStringList t;
        for (const Question& q : asked)
            t << q.text;
        return t;
    }

protected:
    Button askMessage(MessageKind kind, const QString& text, const Buttons& buttons, const QString&) override
    {
        asked.append({kind, text, buttons});
        if (beforeAnswer)
            beforeAnswer(asked.last());
        return answers.isEmpty() ? safeAnswer(buttons) : answers.takeFirst();
    }
    std::optional<QString> askText(TextKind, const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> askPath(PathKind, const QString&, const QString& folder, const QString& filter) override
    {
        pathFolders << folder;
        pathFilters << filter;
        return paths.isEmpty() ? std::nullopt : paths.takeFirst();
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

// Bytes that do not compress, so that piece sizes follow the size limit.
inline QByteArray randomBytes(qsizetype n, quint32 seed = 7)
{
    QByteArray b(n, Qt::Uninitialized);
    QRandomGenerator gen(seed);
    for (qsizetype i = 0; i < n; ++i)
        b[i] = char(gen.bounded(256));
    return b;
}

// A temporary folder with drive C: (fixed) and drive A: (removable, 1.44 MB floppy) and the
// program folder, installed as the simulated drive table; the dialogs above installed too.
class SplitFixture
{
public:
    static constexpr qint64 FloppyCapacity = 1457664;

    SplitFixture()
    {
        QDir root(m_dir.path());
        root.mkpath(QStringLiteral("c/prog"));
        root.mkpath(QStringLiteral("a"));
        writeDrives(QStringLiteral("removable"));
        dialogs = new RecordingDialogs;
        installDialogs(dialogs);
        context.settingsFile = QStringLiteral("C:\\prog\\kestrave.ini");
        context.programFolder = QStringLiteral("C:\\prog\\");
        context.appendLog = [this](const QString& line) { log << line; };
        context.addErrorLine = [this](const QString& line) { errors << line; };
        context.startProgram = [this](const QString& path) { started << path; };
    }

    // Rewrites the drive table; A: of the given type.
    void writeDrives(const QString& aType, bool aPresent = true, bool aReadOnly = false)
    {
        const QString ini = m_dir.path() + QStringLiteral("/drives.ini");
        writeBytes(ini, QStringLiteral("[C]\nroot=%1/c\ntype=fixed\n[A]\nroot=%1/a\ntype=%2\ncapacity=%3\npresent=%4\nreadonly=%5\n")
                            .arg(m_dir.path(), aType, QString::number(FloppyCapacity), aPresent ? QStringLiteral("1") : QStringLiteral("0"),
                                 aReadOnly ? QStringLiteral("1") : QStringLiteral("0"))
                            .toUtf8());
        installDriveServices(new SimulatedDriveServices(ini));
    }

    QString c(const QString& rel = {}) const { return m_dir.path() + QStringLiteral("/c/") + rel; }
    QString a(const QString& rel = {}) const { return m_dir.path() + QStringLiteral("/a/") + rel; }
    QString path(const QString& rel) const { return m_dir.path() + QLatin1Char('/') + rel; }
    QString settings() const { return QString::fromUtf8(readBytes(c(QStringLiteral("prog/kestrave.ini")))); }

    RecordingDialogs* dialogs = nullptr;
    RunnerContext context;
    QStringList log;
    QStringList errors;
    QStringList started;

private:
    QTemporaryDir m_dir;
};

} // namespace ksv::test
