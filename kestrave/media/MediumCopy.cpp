#include "MediumCopy.h"

#include "Clock.h"
#include "Dialogs.h"
#include "DiskSpaceKludge.h"
#include "Drives.h"
#include "MediaTexts.h"
#include "PackageFiles.h"
#include "PackagePaths.h"
#include "PackageStrings.h"
#include "PackageSystem.h"
#include "PackageTime.h"
#include "ZipMaster.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>
#include <utility>

namespace ksv {

namespace {

constexpr int PromptPauseMs = 200;

QString rootOf(QChar letter)
{
    return QString(letter) + QStringLiteral(":\\");
}

// The file name of a DOS or native path: the text after its last separator.
QString fileNameOf(const QString& path)
{
    const qsizetype cut = qMax(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
}

QString folderOf(const QString& path)
{
    const qsizetype cut = qMax(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return cut < 0 ? QString() : path.left(cut + 1);
}

// A decimal field of a label: digits only, within int.
bool labelNumber(const QString& text, int* value)
{
    if (!IsStringNumber(text))
        return false;
    bool ok = false;
    *value = text.toInt(&ok);
    return ok;
}

bool fileExists(const QString& dosPath)
{
    const QString native = DosPath::toNative(dosPath);
    return !native.isEmpty() && QFileInfo(native).isFile();
}

} // namespace

MediumCopy::MediumCopy(MediumCopyHost host)
    : m_host(std::move(host))
{
}

int MediumCopy::todayWeekday()
{
    // Qt counts 1 = Monday .. 7 = Sunday; the system counts 1 = Sunday .. 7 = Saturday.
    return Clock::today().dayOfWeek() % 7 + 1;
}

bool MediumCopy::isRemovableDestination(const QString& destination)
{
    const QChar letter = DosPath::driveLetter(destination);
    return !letter.isNull() && driveServices().driveType(letter) == DriveType::Removable;
}

void MediumCopy::log(const QString& line) const
{
    if (m_host.appendLog)
        m_host.appendLog(line);
}

// ---------------------------------------------------------------------------------------------
// The medium check

void MediumCopy::VerifPresenceDskSinonDD(QString& destination)
{
    if (!isRemovableDestination(destination))
        return;
    for (int prompts = 0;;) {
        if (mediumPasses(DosPath::driveLetter(destination)))
            return;
        if (++prompts > MaxDiskPrompts) {
            moveToDriveC(destination);
            return;
        }
        if (AskForDisk(destination) == Prompt::Cancelled)
            return;
    }
}

bool MediumCopy::mediumPasses(QChar letter)
{
    if (CheckForDisk(QString(letter)) == 0)
        return false;
    if (IsDiskReadOnly(letter))
        return false;
    m_label = ReadVolLabel(rootOf(letter));
    return todayWeekday() == m_label.weekday;
}

MediumCopy::Prompt MediumCopy::AskForDisk(QString& destination)
{
    const QChar letter = DosPath::driveLetter(destination);
    const QString what = rotatingSet ? MediaTexts::diskOfWeekday(MediaTexts::weekdayName(todayWeekday()))
                                     : MediaTexts::anyMedium();
    const Button answer = dialogs().message(MessageKind::Information, MediaTexts::putMedium(what, letter),
                                            {Button::Ok, Button::Cancel});
    if (answer == Button::Ok) {
        delay(PromptPauseMs);
        if (m_host.processEvents)
            m_host.processEvents();
        return Prompt::Again;
    }
    moveToDriveC(destination);
    return Prompt::Cancelled;
}

void MediumCopy::moveToDriveC(QString& destination)
{
    destination = MediaTexts::driveC();
    if (m_host.destinationChanged)
        m_host.destinationChanged(destination);
    log(MediaTexts::noFloppyInsertion());
}

bool MediumCopy::IsDiskReadOnly(QChar letter)
{
    const QString root = rootOf(letter.toUpper());
    // The simulated platform keeps a read-only medium in a writable folder: the drive's own
    // answer comes first.
    if (!DosPath::writable(root))
        return true;
    // The test file must not replace a file of the user's that happens to bear its name.
    QString native = DosPath::toNative(root + QStringLiteral("a.dat"));
    for (int n = 1; !native.isEmpty() && QFileInfo::exists(native); ++n)
        native = DosPath::toNative(root + QStringLiteral("a") + QString::number(n) + QStringLiteral(".dat"));
    if (native.isEmpty())
        return true;
    QFile test(native);
    if (!test.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Text))
        return true;
    const bool written = test.write("a\n") == 2 && test.flush();
    test.close();
    if (!QFileInfo::exists(native))
        return true;
    QFile::remove(native);
    return !written;
}

MediumCopy::VolumeLabelInfo MediumCopy::ReadVolLabel(const QString& root) const
{
    VolumeLabelInfo info;
    info.label = GetVolInfo(root);
    const int today = todayWeekday();
    bool known = false;
    if (info.label.toUpper().contains(MediaTexts::labelMark())) {
        const qsizetype first = info.label.indexOf(QLatin1Char('-'));
        const qsizetype second = info.label.indexOf(QLatin1Char('-'), first + 1);
        const qsizetype last = info.label.lastIndexOf(QLatin1Char('-'));
        int count = 0;
        int weekday = 0;
        // The program never writes a label whose fields are not numbers, nor a weekday beyond
        // Saturday; such a medium counts as new.
        if (second > first && labelNumber(info.label.mid(first + 1, second - first - 1), &count) &&
            labelNumber(info.label.mid(last + 1), &weekday) && weekday <= 7 && count < INT_MAX) {
            known = true;
            info.writeCount = count;
            info.weekday = weekday;
            info.nextLabel = MediaTexts::rotationLabel(count + 1, weekday);
        }
    }
    if (!known) {
        info.writeCount = 1;
        info.weekday = today;
        info.nextLabel = MediaTexts::rotationLabel(1, today);
    }
    if (info.weekday == 0 || !rotatingSet)
        info.weekday = today;
    return info;
}

QString MediumCopy::VolumeWritesHint(const QString& root)
{
    const QChar letter = DosPath::driveLetter(root);
    if (letter.isNull() || driveServices().driveType(letter) != DriveType::Removable)
        return {};
    const QString label = GetVolInfo(root);
    if (!label.contains(MediaTexts::labelMark()))
        return {};
    const qsizetype first = label.indexOf(QLatin1Char('-'));
    const qsizetype second = label.indexOf(QLatin1Char('-'), first + 1);
    const QString count = second < 0 ? label.mid(first + 1) : label.mid(first + 1, second - first - 1);
    return MediaTexts::writingsOnUnit(count);
}

// ---------------------------------------------------------------------------------------------
// The copy

int MediumCopy::CopieSupport(const QString& workArchive, QString& destination, QString& targetPath)
{
    for (int round = 1;; ++round) {
        const qint64 size = TailleFichier(workArchive);
        // Measured where the archive will land: the target's folder may be another mount.
        const qint64 free = FreeSpaceAt(targetPath.isEmpty() ? destination : folderOf(targetPath));
        log(MediaTexts::endCopyOnMedium(destination));
        if (free >= size) {
            if (m_host.setCaption)
                m_host.setCaption(MediaTexts::copyOnMediumWait());
            if (m_host.addProcessLine)
                m_host.addProcessLine(MediaTexts::copyingOnMedium());
            if (m_host.setInfo)
                m_host.setInfo(MediaTexts::copyingOnMediumWait());
            log(MediaTexts::freeSpaceOnDisk(free));
            return copyToTarget(workArchive, destination, targetPath);
        }
        log(MediaTexts::freeSpaceInsufficient());
        Button answer = Button::Abort;
        // The bound keeps a run nobody answers from asking for ever; a person at the window
        // may retry as often as they like.
        if (round <= MaxFourOptionRounds || !dialogsAreScripted())
            answer = dialogs().message(MessageKind::Warning, MediaTexts::fourOptions(sTailleFichier(workArchive)),
                                       {Button::Yes, Button::Cancel, Button::Abort, Button::Retry});
        switch (answer) {
        case Button::Yes:
            SpanFile(workArchive, destination, targetPath);
            return 1;
        case Button::Cancel:
            // Only the drive letter changes: E:\BACKUP\x.zip is copied to C:\BACKUP\x.zip.
            destination = MediaTexts::driveC();
            if (!targetPath.isEmpty())
                targetPath[0] = QLatin1Char('C');
            if (m_host.destinationChanged)
                m_host.destinationChanged(destination);
            break;
        case Button::Retry:
            break; // another disk is in the drive: look again
        default:
            if (m_host.addErrorLine)
                m_host.addErrorLine(MediaTexts::splitRejection());
            log(MediaTexts::noMediumInsertion());
            return 1;
        }
    }
}

int MediumCopy::copyToTarget(const QString& workArchive, const QString& destination, const QString& targetPath)
{
    const QChar letter = DosPath::driveLetter(destination);
    if (isRemovableDestination(destination)) {
        // The label of the medium now in the drive: after a Retry it is not the one checked
        // before the archive was built. A medium that refuses the label keeps its old one.
        m_label = ReadVolLabel(rootOf(letter));
        driveServices().setVolumeLabel(letter, m_label.nextLabel);
    }

    // After a Cancel in the four-options dialog the target's folder is on drive C, where
    // nobody has made it yet.
    const QString targetFolder = DosPath::toNative(folderOf(targetPath));
    if (!targetFolder.isEmpty() && !QFileInfo(targetFolder).isDir() && DosPath::writable(folderOf(targetPath)))
        QDir().mkpath(targetFolder);

    int result = -9;
    try {
        if (m_host.copyFile) {
            result = m_host.copyFile(workArchive, targetPath);
        } else {
            ZipMaster zip;
            result = zip.CopyFile(workArchive, targetPath);
        }
    } catch (...) {
        result = -9;
    }

    if (result != 0) {
        const QString text = copyResultText(result, workArchive, targetPath);
        log(text);
        if (m_host.addErrorLine)
            m_host.addErrorLine(text);
        if (m_host.addProcessLine)
            m_host.addProcessLine(text);
        if (m_host.setFinalInfos)
            m_host.setFinalInfos(MediaTexts::errorOnStorageUnit());
    } else {
        if (m_host.setFinalInfos)
            m_host.setFinalInfos(MediaTexts::endOfProcess());
        if (m_host.setCaption)
            m_host.setCaption(MediaTexts::endOfCopyProcess());
        if (m_host.setExploHint)
            m_host.setExploHint(letter.isNull() ? QString() : VolumeWritesHint(rootOf(letter)));
    }

    const qint64 targetSize = TailleFichier(targetPath);
    log(MediaTexts::creationOf(fileNameOf(targetPath), qMax<qint64>(targetSize, 0), targetSize >= 0));
    return result;
}

QString MediumCopy::copyResultText(int result, const QString& workArchive, const QString& targetPath)
{
    switch (result) {
    case -1: return MediaTexts::fileCreationError(fileNameOf(targetPath));
    case -2: return MediaTexts::readWriteError();
    case -3: return MediaTexts::invalidArchive(fileNameOf(workArchive));
    case -9: return MediaTexts::generalError();
    default: return {};
    }
}

// ---------------------------------------------------------------------------------------------
// Cutting over several disks

void MediumCopy::SpanFile(const QString& workArchive, QString& destination, QString& targetPath)
{
    const QString name = fileNameOf(targetPath);
    QString copy;
    QString spanFolder;
    if (!workArchive.isEmpty() && !name.isEmpty() && TailleFichier(workArchive) >= 0) {
        copy = MediaTexts::driveC() + name;
        if (fileExists(copy)) {
            // A file of that name on C:\ is the user's: it is neither replaced nor deleted; the
            // copy goes to a folder of its own beside the work archive.
            spanFolder = folderOf(workArchive) + QStringLiteral("Span\\");
            const QString nativeFolder = DosPath::toNative(spanFolder);
            if (!nativeFolder.isEmpty())
                QDir().mkpath(nativeFolder);
            copy = spanFolder + name;
        }
        int result = -9;
        try {
            if (m_host.copyFile) {
                result = m_host.copyFile(workArchive, copy);
            } else {
                ZipMaster zip;
                result = zip.CopyFile(workArchive, copy);
            }
        } catch (...) {
            result = -9;
        }
        if (result < 0 && m_host.addErrorLine)
            m_host.addErrorLine(MediaTexts::spanFileError(result));
    }

    const QString chosen = m_host.spanFile ? m_host.spanFile(copy, destination) : QString();
    if (!chosen.trimmed().isEmpty())
        destination = chosen;
    if (m_host.destinationChanged)
        m_host.destinationChanged(destination);

    if (!copy.isEmpty()) {
        const QString native = DosPath::toNative(copy);
        if (!native.isEmpty() && QFileInfo(native).isFile())
            QFile::remove(native);
        if (!spanFolder.isEmpty()) {
            const QString nativeFolder = DosPath::toNative(spanFolder);
            if (!nativeFolder.isEmpty())
                QDir().rmdir(nativeFolder); // only when empty
        }
    }
    if (!name.isEmpty())
        targetPath = AppendSlash(destination) + name;
}

} // namespace ksv
