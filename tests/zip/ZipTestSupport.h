#pragma once

#include "DriveServices_simulated.h"
#include "Drives.h"
#include "PlatformEnvironment.h"
#include "ZipMaster.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringList>

#include <utility>

// Helpers shared by the zip and self-extractor tests: files, simulated drives, outside tools.
namespace ksv::ziptest {

inline bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(content) == content.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Text that deflates well, seeded so reruns see the same bytes.
inline QByteArray textData(qint64 size, quint32 seed = 1)
{
    static const char* words[] = {"backup ", "archive ", "floppy ", "query ", "medium ", "folder ", "zip\n", "data "};
    QRandomGenerator random(seed);
    QByteArray out;
    out.reserve(size);
    while (out.size() < size)
        out += words[random.bounded(8)];
    out.truncate(size);
    return out;
}

inline QByteArray randomData(qint64 size, quint32 seed = 7)
{
    QRandomGenerator random(seed);
    QByteArray out(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        out[i] = static_cast<char>(random.bounded(256));
    return out;
}

inline void setModified(const QString& path, const QDateTime& when)
{
    QFile file(path);
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(when, QFileDevice::FileModificationTime);
}

// Writes a drives file with one drive per (letter, root, capacity; 0 = real free space) and
// installs the simulated drive services on it.
inline void installDrives(const QString& drivesFile, const QList<std::tuple<QChar, QString, qint64, bool>>& drives)
{
    QByteArray ini;
    for (const auto& [letter, root, capacity, readOnly] : drives) {
        ini += "[" + QString(letter).toUtf8() + "]\r\nroot=" + root.toUtf8() + "\r\ntype=fixed\r\n";
        if (capacity > 0)
            ini += "capacity=" + QByteArray::number(capacity) + "\r\n";
        if (readOnly)
            ini += "readonly=1\r\n";
    }
    writeFile(drivesFile, ini);
    qputenv("KESTRAVE_PLATFORM", "simulated");
    qputenv("KESTRAVE_DRIVES", drivesFile.toUtf8());
    PlatformEnvironment::reload();
    installDriveServices(new SimulatedDriveServices(drivesFile));
}

// Size of the files under a folder (what a simulated drive counts as used).
inline qint64 folderSize(const QString& folder)
{
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

// Temporary files of the engine: "ZipTmp…" and the hidden ".NAME.XXXXXX" an archive or copy is
// written to before it replaces NAME.
inline QStringList temporaryLeftovers(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("ZipTmp*"), QStringLiteral(".*.??????")}, QDir::Files | QDir::Hidden);
}

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline Run run(const QString& program, const QStringList& arguments, const QString& folder = {},
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
               const QByteArray& input = {})
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, arguments);
    Run result;
    if (!process.waitForStarted(10000))
        return result;
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

inline bool haveTool(const QString& name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

inline QStringList entryNames(const ZipMaster& zip)
{
    QStringList names;
    for (const ZipEntry& e : zip.ZipContents())
        names.append(e.FileName);
    names.sort();
    return names;
}

// Records the events of an engine.
struct EventLog
{
    QList<std::pair<int, qint64>> progress; // kind, size
    QList<std::pair<int, QString>> messages;

    void attach(ZipMaster& zip)
    {
        QObject::connect(&zip, &ZipMaster::OnProgress,
                         [this](int kind, const QString&, qint64 size) { progress.append({kind, size}); });
        QObject::connect(&zip, &ZipMaster::OnMessage,
                         [this](int code, const QString& text) { messages.append({code, text}); });
    }
    QList<int> codes() const
    {
        QList<int> result;
        for (const auto& m : messages)
            if (m.first != 0)
                result.append(m.first);
        return result;
    }
};

} // namespace ksv::ziptest
