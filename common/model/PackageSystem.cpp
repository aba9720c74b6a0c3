#include "PackageSystem.h"

#include "Drives.h"
#include "NativePath.h"
#include "PackageFiles.h"
#include "ProgramFolder.h"
#include "SystemActions.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QThread>

namespace ksv {

namespace {

QChar driveLetter(const QString& drive)
{
    const QString t = drive.trimmed();
    if (t.isEmpty() || !t.at(0).isLetter())
        return {};
    if (t.size() > 1 && t.at(1) != QLatin1Char(':'))
        return {};
    return t.at(0).toUpper();
}

// Bytes of MemTotal and MemAvailable; false when /proc/meminfo cannot be read.
bool readMemInfo(qint64* total, qint64* available)
{
    QFile f(QStringLiteral("/proc/meminfo"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    *total = -1;
    *available = -1;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() < 2)
            continue;
        if (parts[0] == "MemTotal:")
            *total = parts[1].toLongLong() * 1024;
        else if (parts[0] == "MemAvailable:")
            *available = parts[1].toLongLong() * 1024;
    }
    return *total > 0 && *available >= 0;
}

QString memoryText()
{
    qint64 total = 0;
    qint64 available = 0;
    if (!readMemInfo(&total, &available))
        return QStringLiteral("unknown.");
    const int inUse = static_cast<int>(100 - (available * 100) / total);
    return QStringLiteral("%1 available of %2 (%3% in use).")
        .arg(sizeText(available), sizeText(total))
        .arg(inUse);
}

} // namespace

QString GetMemoryDetails()
{
    return QStringLiteral("Memory : ") + memoryText();
}

QString GetSysPhysDetails()
{
    const int cpus = QThread::idealThreadCount();
    return QStringLiteral("System : %1, kernel %2, %3, %4 processor(s), memory %5")
        .arg(QSysInfo::prettyProductName(), QSysInfo::kernelVersion(), QSysInfo::currentCpuArchitecture())
        .arg(cpus)
        .arg(memoryText());
}

bool TestCTRL_LR()
{
    return systemActions().ctrlHeld();
}

int CheckForDisk(const QString& Drive)
{
    const QChar letter = driveLetter(Drive);
    if (letter.isNull() || !driveServices().drive(letter) || !driveServices().mediumPresent(letter))
        return 0;
    return driveServices().readOnly(letter) ? 1 : 3;
}

QString GetVolInfo(const QString& R)
{
    const QChar letter = driveLetter(R);
    if (letter.isNull() || !driveServices().drive(letter))
        return {};
    return driveServices().volumeLabel(letter);
}

void Son(const QString& Wav)
{
    if (Wav.isEmpty())
        return;
    const bool bare = !Wav.contains(QLatin1Char('\\')) && !Wav.contains(QLatin1Char('/'));
    QString native = bare ? ProgramFolder::findAsset(Wav) : NativePath::of(Wav);
    if (native.isEmpty() && bare)
        native = ProgramFolder::native() + Wav;
    if (!native.isEmpty())
        systemActions().playSound(native);
}

} // namespace ksv
