#include "TBackupFile.h"

#include "ArchiveFlag.h"
#include "ContainerFormat.h"
#include "Dialogs.h"
#include "DosDateTime.h"
#include "Drives.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace ksv {

using namespace ContainerFormat;

// Where the segment reader puts the bytes of a block.
class TBackupFile::Sink
{
public:
    virtual ~Sink() = default;
    virtual bool write(const char* data, qint64 n) = 0;
};

class TBackupFile::TargetSink : public TBackupFile::Sink
{
public:
    explicit TargetSink(BufferedFileWriter& writer) : m_writer(writer) {}
    bool write(const char* data, qint64 n) override { return m_writer.write(data, n); }

private:
    BufferedFileWriter& m_writer;
};

class TBackupFile::CountingSink : public TBackupFile::Sink
{
public:
    explicit CountingSink(qint64* count) : m_count(count) {}
    bool write(const char*, qint64 n) override
    {
        if (m_count)
            *m_count += n;
        return true;
    }

private:
    qint64* m_count;
};

namespace {

// A failure the original component raised as an exception; it leaves the operation at once.
// A wrong segment signature is told apart because a restore into a target reports it as code 1.
struct RaisedFailure
{
    int code;
    bool badSignature = false;
};

bool hasDriveLetter(const QString& path)
{
    return path.size() >= 2 && path.at(1) == u':' && path.at(0).isLetter() && path.at(0).unicode() < 128;
}

bool isSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}

bool hasParentComponent(const QString& path)
{
    static const QRegularExpression separators(QStringLiteral("[\\\\/]"));
    const QStringList parts = path.split(separators);
    return std::any_of(parts.cbegin(), parts.cend(), [](const QString& p) { return p.trimmed() == QLatin1String(".."); });
}

// The file-name part of a stored name: what follows the last "\", "/" or ":".
QString fileNamePart(const QString& name)
{
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        if (isSeparator(name.at(i)) || name.at(i) == u':')
            return name.mid(i + 1);
    }
    return name;
}

} // namespace

TBackupFile::TBackupFile(QObject* parent) : QObject(parent) {}

TBackupFile::~TBackupFile() = default;

void TBackupFile::setBackupMode(TBackupMode mode)
{
    if (mode == TBackupMode::bmIncremental && m_backupMode != TBackupMode::bmIncremental)
        m_setArchiveFlag = true;
    m_backupMode = mode;
}

int TBackupFile::zlibLevel(TCompressionLevel level)
{
    static constexpr signed char levels[4] = {1, 0, -1, 9};
    return levels[static_cast<int>(level) & 3];
}

QString TBackupFile::VolumeName(const QString& firstVolume, int volumeNumber)
{
    return volumeName(firstVolume, volumeNumber);
}

QString TBackupFile::nativeTargetOf(const QString& path)
{
    // The folders of a DOS path are found without regard to case, but the file keeps its exact
    // name: "Report.txt" must not land on an existing "report.txt".
    if (!hasDriveLetter(path))
        return path;
    qsizetype cut = path.size() - 1;
    while (cut >= 0 && !isSeparator(path.at(cut)))
        --cut;
    const QString name = path.mid(cut + 1);
    if (cut < 2 || name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return DosPath::toNative(path);
    QString folder = DosPath::toNative(path.left(cut + 1));
    if (folder.isEmpty())
        return {};
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + name;
}

QString TBackupFile::nativePathOf(const QString& path)
{
    if (path.isEmpty())
        return {};
    if (hasDriveLetter(path))
        return DosPath::toNative(path);
    return path;
}

// ---------------------------------------------------------------------------------------------
// Shared services

void TBackupFile::resetOutcome()
{
    m_eventTimer.invalidate();
    m_errorCode = 0;
    m_lastStatus = Status::ok();
    m_failureRaised = false;
    m_rejectedNames.clear();
    m_incompleteNames.clear();
    m_volumeByVolume = false;
    m_volumeNumber = 1;
    m_bytesDone = 0;
    m_totalSize = 0;
    m_targetOpen = false;
    m_decision = true;
    if (m_outBuffer.isEmpty())
        m_outBuffer = QByteArray(BlockSize, Qt::Uninitialized);
}

void TBackupFile::setError(int code)
{
    if (m_errorCode == 0) {
        m_errorCode = code;
        m_lastStatus = Status(code, ErrorText(code));
    }
    m_continue = false;
}

void TBackupFile::reportError()
{
    const QString text = ErrorText(m_errorCode);
    if (m_onError)
        m_onError(this, m_errorCode, text);
    else
        dialogs().message(MessageKind::Error, text, {Button::Ok});
}

TPercentage TBackupFile::percentage() const
{
    if (m_totalSize <= 0)
        return 100;
    const double percent = std::nearbyint(double(m_bytesDone) / double(m_totalSize) * 100.0);
    return TPercentage(std::clamp(percent, 0.0, 100.0));
}

void TBackupFile::fireProgress(const QString& name)
{
    fireProgressValue(name, percentage());
}

void TBackupFile::fireProgressValue(const QString& name, TPercentage percent)
{
    if (m_onProgress)
        m_onProgress(this, name, percent, m_continue);
}

void TBackupFile::askForDisk(quint16 diskId)
{
    if (m_onNeedDisk) {
        m_onNeedDisk(this, diskId, m_continue);
        return;
    }
    QString text = BackupTexts::diskPrompt(diskId);
    if (m_busy && !m_volumeWriter.isOpen() && m_volumeByVolume && replacesInPlace(m_firstVolume, diskId))
        text += QLatin1Char(' ') + BackupTexts::previousVolumeReplaced();
    m_continue = dialogs().message(MessageKind::Information, text, {Button::Ok, Button::Cancel}) == Button::Ok;
}

void TBackupFile::letApplicationBreathe()
{
    // Pending events are processed after a block once 10 ms have passed since the last time:
    // the window stays as responsive as with a call per block, without a poll per 16 KB.
    if (!QCoreApplication::instance())
        return;
    if (m_eventTimer.isValid() && m_eventTimer.elapsed() < 10)
        return;
    QCoreApplication::processEvents();
    m_eventTimer.start();
}

// ---------------------------------------------------------------------------------------------
// Backup

bool TBackupFile::Backup(const QStringList& List, const QString& DestFile)
{
    if (m_busy)
        return false;
    resetOutcome();
    if (m_maxSize != 0 && m_maxSize <= VolumeMargin) {
        // No block would fit in a volume: refused before anything is written.
        setError(BackupTexts::VolumeSizeTooSmall);
        reportError();
        return false;
    }
    m_busy = true;
    m_firstVolume = nativePathOf(DestFile);
    finishInterruptedReplace(m_firstVolume);
    m_pendingVolumes.clear();
    m_flagsToClear.clear();
    {
        const QChar letter = hasDriveLetter(DestFile) ? DosPath::driveLetter(DestFile)
                                                      : DosPath::driveLetter(DosPath::fromNative(m_firstVolume).value_or(QString()));
        m_volumeByVolume = !letter.isNull() && driveServices().driveType(letter) == DriveType::Removable;
    }

    FileListExpander expander(DestFile, m_backupMode == TBackupMode::bmIncremental);
    for (const QString& specification : List)
        expander.addSpecification(specification);
    QList<BackupListEntry> list = expander.entries();
    const qint32 fileCount = clampToInt32(list.size());
    m_continue = true;
    fireProgressValue(QString(), 0);

    // Size pass, and the file-ID text.
    QByteArray fileIds;
    for (const BackupListEntry& entry : std::as_const(list)) {
        QFile file(entry.nativePath);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const qint64 size = file.size();
        m_totalSize += size;
        if (m_saveFileId) {
            const QString line = entry.storedName + QLatin1Char('\t')
                                 + QString::number(DosDateTime::ofFile(entry.nativePath)) + QLatin1Char('=')
                                 + QString::number(size) + QLatin1String("\r\n");
            fileIds += line.toUtf8();
        }
    }

    std::unique_ptr<QTemporaryFile> fileIdFile;
    if (m_saveFileId) {
        // An unusable temporary folder (QDir::tempPath() empty) must not send the list to "/".
        const QString tempFolder = QDir::tempPath();
        fileIdFile = std::make_unique<QTemporaryFile>(tempFolder + QLatin1String("/FIDXXXXXX"));
        if (tempFolder.isEmpty() || !fileIdFile->open() || fileIdFile->write(fileIds) != fileIds.size() || !fileIdFile->flush()) {
            setError(BackupTexts::CannotCreateFileIdList);
        } else {
            fileIdFile->close();
            list.prepend({QString::fromLatin1(FileIdListName), fileIdFile->fileName(), true});
            m_totalSize += fileIds.size();
        }
    }

    if (m_continue) {
        const QByteArray title = m_backupTitle.toUtf8();
        const bool written = openVolume(1) && m_volumeWriter.writeInt32(qint32(title.size()))
                             && m_volumeWriter.write(title.constData(), title.size())
                             && m_volumeWriter.writeInt32(clampToInt32(m_totalSize))
                             && m_volumeWriter.writeInt32(fileCount);
        if (!written)
            setError(BackupTexts::CannotWriteArchive);
    }
    m_volumeNumber = 1;
    m_bytesDone = 0;
    if (m_continue)
        m_compressor.start(zlibLevel(m_compressionLevel)); // a refusal shows as error 6 at the first block

    for (const BackupListEntry& entry : std::as_const(list)) {
        if (!m_continue)
            break;
        if (!QFileInfo(entry.nativePath).isFile())
            continue; // deleted since the size pass: no entry
        storeFile(entry);
    }

    bool result = false;
    if (m_continue) {
        if (m_volumeWriter.writeInt32(0) && finishVolume() && commitVolumes())
            result = true;
        else
            setError(BackupTexts::CannotWriteArchive);
    }
    // A failed or stopped backup leaves the previous container as it was (on a removable
    // drive: the volumes already completed on earlier disks stay).
    m_volumeWriter.close();
    m_pendingVolumes.clear();
    if (result) {
        // The data is in place: only now do the stored files lose their archive flag, so that
        // a failed or stopped incremental backup takes them again next time.
        for (const QString& path : std::as_const(m_flagsToClear))
            ArchiveFlag::clear(path);
    }
    m_flagsToClear.clear();
    m_compressor.finish();
    fileIdFile.reset();

    fireProgressValue(QString(), 100);
    m_busy = false;
    if (m_errorCode != 0)
        reportError();
    return result && m_errorCode == 0;
}

bool TBackupFile::storeFile(const BackupListEntry& entry)
{
    const QByteArray name = entry.fileIdList ? QByteArray(FileIdListName) : entry.storedName.trimmed().toUtf8();
    if (!m_volumeWriter.writeInt32(qint32(name.size())) || !m_volumeWriter.write(name.constData(), name.size())) {
        setError(BackupTexts::CannotWriteArchive);
        return false;
    }
    if (!m_sourceReader.open(entry.nativePath) || !m_volumeWriter.writeInt32(DosDateTime::ofFile(entry.nativePath))) {
        m_sourceReader.close();
        setError(BackupTexts::CannotReadFile);
        return false;
    }
    qint64 remaining = m_sourceReader.size();
    const QString progressName = entry.fileIdList ? entry.nativePath : entry.storedName;
    do {
        if (!writeSegment(m_sourceReader, remaining, progressName))
            break;
    } while (remaining > 0 && m_continue);
    m_sourceReader.close();
    const bool complete = remaining <= 0 && m_continue && m_errorCode == 0;
    if (complete && m_setArchiveFlag && !entry.fileIdList)
        m_flagsToClear << entry.nativePath;
    return complete;
}

bool TBackupFile::writeSegment(BufferedFileReader& source, qint64& remaining, const QString& progressName)
{
    // OnNeedDisk may change MaxSize; a value that leaves no room for a block would make every
    // volume end at once.
    if (m_maxSize != 0 && m_maxSize <= VolumeMargin) {
        setError(BackupTexts::VolumeSizeTooSmall);
        return false;
    }
    const bool freshVolume = m_volumeNumber > 1 && m_volumeWriter.position() == 0;
    if (!m_volumeWriter.write(Signature, SignatureSize)) {
        setError(BackupTexts::CannotWriteArchive);
        return false;
    }
    char* out = m_outBuffer.data();
    int blocks = 0;
    while (remaining > 0 && m_continue
           && (m_maxSize == 0 || m_volumeWriter.position() < qint64(m_maxSize) - VolumeMargin)) {
        qint64 n = 0;
        const char* block = source.peek(std::min(BlockSize, remaining), n);
        if (!block) {
            setError(BackupTexts::CannotWriteArchive);
            return false;
        }
        source.consume(n); // the bytes stay valid until the next peek
        if (n == 0) {
            remaining = 0; // the file became shorter since it was opened: store what is there
            break;
        }
        remaining -= n;
        m_bytesDone += n;
        qint64 outLength = 0;
        const BlockCompressor::Outcome outcome = m_compressor.compress(block, n, out, outLength);
        if (outcome == BlockCompressor::Outcome::Failed) {
            setError(BackupTexts::CompressionError); // nothing of the block is written
            break;
        }
        const bool written = outcome == BlockCompressor::Outcome::Compressed
                                 ? m_volumeWriter.writeInt32(qint32(outLength)) && m_volumeWriter.write(out, outLength)
                                 : m_volumeWriter.writeInt32(qint32(-n)) && m_volumeWriter.write(block, n);
        if (!written) {
            setError(BackupTexts::CannotWriteArchive);
            return false;
        }
        ++blocks;
        letApplicationBreathe();
        fireProgress(progressName);
    }
    if (!m_volumeWriter.writeInt32(0)) {
        setError(BackupTexts::CannotWriteArchive);
        return false;
    }
    if (remaining > 0 && m_continue) {
        if (freshVolume && blocks == 0) {
            setError(BackupTexts::VolumeSizeTooSmall);
            return false;
        }
        return startNextVolume();
    }
    return m_errorCode == 0;
}

bool TBackupFile::startNextVolume()
{
    if (m_volumeNumber >= MaxVolumeCount) {
        // Volume 1001 would take the name of volume 1.
        setError(BackupTexts::CannotWriteArchive);
        return false;
    }
    ++m_volumeNumber;
    const QByteArray marker = QByteArray(ContinuationPrefix) + extensionDigits(m_volumeNumber).toLatin1();
    if (!m_volumeWriter.writeInt32(qint32(marker.size())) || !m_volumeWriter.write(marker.constData(), marker.size())
        || !finishVolume()) {
        setError(BackupTexts::CannotWriteArchive);
        return false;
    }
    askForDisk(m_volumeNumber);
    if (m_continue && !openVolume(m_volumeNumber)) {
        setError(BackupTexts::CannotWriteArchive);
        return false;
    }
    return true;
}

qint64 TBackupFile::roomNeededForVolume() const
{
    if (m_maxSize != 0)
        return m_maxSize;
    return std::max<qint64>(m_totalSize - m_bytesDone, 0) + VolumeMargin;
}

bool TBackupFile::replacesInPlace(const QString& firstVolume, int volumeNumber) const
{
    const QString native = nativePathOf(firstVolume);
    const QString path = VolumeName(native, volumeNumber);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    qint64 free = -1;
    const QChar letter = hasDriveLetter(firstVolume) ? DosPath::driveLetter(firstVolume)
                                                     : DosPath::driveLetter(DosPath::fromNative(native).value_or(QString()));
    if (!letter.isNull())
        free = driveServices().freeSpace(letter);
    else
        free = QStorageInfo(QFileInfo(path).absolutePath()).bytesAvailable();
    return free >= 0 && free < roomNeededForVolume();
}

bool TBackupFile::openVolume(int volumeNumber)
{
    const QString path = VolumeName(m_firstVolume, volumeNumber);
    // On a removable disk without room for the new volume beside the old one, the old one
    // goes first (the disk prompt said so).
    if (m_volumeByVolume && replacesInPlace(m_firstVolume, volumeNumber))
        QFile::remove(path);
    return m_volumeWriter.openReplacing(path);
}

bool TBackupFile::finishVolume()
{
    if (m_volumeByVolume)
        return m_volumeWriter.commit().isOk();
    if (m_pendingVolumes.size() == 200) {
        // Each complete volume keeps its temporary file open until the end; a set of up to 1000
        // volumes needs more descriptors than the usual soft limit of 1024 leaves.
        rlimit limit{};
        if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 4096 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 4096);
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
    }
    std::unique_ptr<AtomicFile> volume = m_volumeWriter.release();
    if (!volume)
        return false;
    m_pendingVolumes.push_back(std::move(volume));
    return true;
}

namespace {

// The note that makes the replacement of a volume set survive a crash: written once every new
// volume is complete and synced, before the first rename; removed after the last. Whoever opens
// the container next and finds it finishes the renames.
//   count=<new number of volumes>
//   <n>=<file name of volume n's temporary file, in the folder of volume 1>
QString replaceNoteOf(const QString& firstVolume)
{
    const QFileInfo info(firstVolume);
    return info.absolutePath() + QLatin1String("/.") + info.fileName() + QLatin1String(".replacing");
}

void removeVolumesBeyond(const QString& firstVolume, int count)
{
    for (int n = count + 1; n <= MaxVolumeCount; ++n) {
        const QString old = TBackupFile::VolumeName(firstVolume, n);
        if (!QFileInfo(old).isFile())
            break;
        QFile::remove(old);
    }
}

} // namespace

void TBackupFile::finishInterruptedReplace(const QString& firstVolume)
{
    if (firstVolume.isEmpty())
        return;
    const QString notePath = replaceNoteOf(firstVolume);
    QFile note(notePath);
    if (!note.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = note.read(64 * 1024).split('\n');
    note.close();
    const QString folder = QFileInfo(firstVolume).absolutePath();
    int count = 0;
    for (const QByteArray& line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = line.left(eq);
        const QString value = QString::fromUtf8(line.mid(eq + 1));
        if (key == "count") {
            count = value.toInt();
            continue;
        }
        bool ok = false;
        const int n = key.toInt(&ok);
        if (!ok || n < 1 || n > MaxVolumeCount)
            continue;
        // Only this container's own temporary files are moved, and only onto its volumes.
        const QString volume = VolumeName(firstVolume, n);
        const QString expectedPrefix = QLatin1Char('.') + QFileInfo(volume).fileName() + QLatin1Char('.');
        // The writer's temporary name: the prefix, its process id, a dot and six characters.
        static const QRegularExpression temporaryTail(QStringLiteral("^[0-9]+\\.[A-Za-z0-9]{6}$"));
        if (!value.startsWith(expectedPrefix) || !temporaryTail.match(value.mid(expectedPrefix.size())).hasMatch())
            continue;
        const QString temporary = folder + QLatin1Char('/') + value;
        if (QFileInfo(temporary).isFile())
            ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(volume).constData());
    }
    if (count >= 1 && count <= MaxVolumeCount)
        removeVolumesBeyond(firstVolume, count);
    QFile::remove(notePath);
}

bool TBackupFile::commitVolumes()
{
    if (m_volumeByVolume)
        return true; // each volume is in place already
    // Every volume reaches the disk before the first rename.
    for (const auto& volume : m_pendingVolumes) {
        if (::fsync(volume->handle()) != 0)
            return false;
    }
    // The note lets the next reader finish the renames if this process dies among them. A
    // volume behind a link to another folder cannot be noted; its set goes without.
    QByteArray note = "count=" + QByteArray::number(m_volumeNumber) + '\n';
    bool noted = true;
    for (size_t i = 0; i < m_pendingVolumes.size(); ++i) {
        const QFileInfo target(m_pendingVolumes[i]->targetPath());
        const QFileInfo temporary(m_pendingVolumes[i]->temporaryPath());
        const QFileInfo volume(VolumeName(m_firstVolume, int(i) + 1));
        if (target.absoluteFilePath() != volume.absoluteFilePath() || temporary.absolutePath() != volume.absolutePath())
            noted = false;
        note += QByteArray::number(qulonglong(i) + 1) + '=' + temporary.fileName().toUtf8() + '\n';
    }
    const QString notePath = replaceNoteOf(m_firstVolume);
    if (noted && !AtomicFile::writeFile(notePath, note))
        return false;
    for (auto& volume : m_pendingVolumes) {
        if (!volume->commit())
            return false;
        volume.reset();
    }
    m_pendingVolumes.clear();
    // Volumes left from a longer previous container go only now that the new set is in place.
    removeVolumesBeyond(m_firstVolume, m_volumeNumber);
    if (noted)
        QFile::remove(notePath);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Restore

bool TBackupFile::Restore(const QString& SourceFile, const QString& DestDir)
{
    if (m_busy)
        return false;
    resetOutcome();
    m_destDir = DestDir;
    m_destDirNative = !DestDir.isEmpty() && !hasDriveLetter(DestDir);
    if (!m_destDir.isEmpty() && !isSeparator(m_destDir.back()))
        m_destDir += m_destDirNative ? QLatin1Char('/') : QLatin1Char('\\');
    m_continue = true;
    m_firstVolume = nativePathOf(SourceFile);
    finishInterruptedReplace(m_firstVolume);
    if (m_firstVolume.isEmpty() || !QFileInfo(m_firstVolume).isFile())
        return false;

    m_inflater.start(); // a refusal shows as error 6 at the first compressed block
    try {
        if (!m_volumeReader.open(m_firstVolume))
            throw RaisedFailure{BackupTexts::CannotReadArchive};
        m_busy = true;
        readHeader(nullptr);
        m_bytesDone = 0;
        restoreLoop(false);
        finishTarget(false); // still open: the loop ended inside it (error, stop, missing volume)
    } catch (const RaisedFailure& failure) {
        finishTarget(false);
        m_volumeReader.close();
        m_inflater.finish();
        m_busy = false;
        m_failureRaised = true;
        m_errorCode = failure.code;
        m_lastStatus = Status(failure.code, ErrorText(failure.code));
        return false;
    }
    m_volumeReader.close();
    m_inflater.finish();
    if (m_errorCode == 0 && m_continue && !m_rejectedNames.isEmpty())
        setError(BackupTexts::UnsafeNameSkipped);
    const bool result = m_errorCode == 0 && m_continue;
    fireProgressValue(QString(), 100);
    m_busy = false;
    if (m_errorCode != 0)
        reportError();
    return result;
}

Result<TBackupFile::Catalog> TBackupFile::ReadCatalog(const QString& SourceFile)
{
    if (m_busy)
        return Status(BackupTexts::CannotReadArchive, ErrorText(BackupTexts::CannotReadArchive));
    resetOutcome();
    m_continue = true;
    m_firstVolume = nativePathOf(SourceFile);
    finishInterruptedReplace(m_firstVolume);
    Catalog catalog;
    m_catalog = &catalog;
    m_inflater.start();
    try {
        if (m_firstVolume.isEmpty() || !m_volumeReader.open(m_firstVolume))
            throw RaisedFailure{BackupTexts::CannotReadArchive};
        m_busy = true;
        readHeader(&catalog);
        restoreLoop(true);
    } catch (const RaisedFailure& failure) {
        m_errorCode = failure.code;
        m_failureRaised = true;
    }
    m_volumeReader.close();
    m_inflater.finish();
    m_catalog = nullptr;
    m_busy = false;
    catalog.volumeCount = m_volumeNumber;
    catalog.complete = m_errorCode == 0 && m_continue;
    if (m_errorCode != 0) {
        m_lastStatus = Status(m_errorCode, ErrorText(m_errorCode));
        return m_lastStatus;
    }
    return catalog;
}

void TBackupFile::readHeader(Catalog* catalog)
{
    qint32 titleLength = 0;
    if (!m_volumeReader.readInt32(titleLength) || titleLength < 0 || titleLength > MaxTitleLength)
        throw RaisedFailure{BackupTexts::CannotReadArchive};
    QByteArray title(titleLength, Qt::Uninitialized);
    qint32 total = 0;
    qint32 count = 0;
    if (!m_volumeReader.readExact(title.data(), titleLength) || !m_volumeReader.readInt32(total)
        || !m_volumeReader.readInt32(count))
        throw RaisedFailure{BackupTexts::CannotReadArchive};
    m_totalSize = total;
    if (catalog) {
        catalog->title = decodeName(title);
        catalog->totalSize = total;
        catalog->fileCount = count;
    }
}

void TBackupFile::restoreLoop(bool listing)
{
    m_decision = true;
    qint32 nameLength = -1;
    while (nameLength != 0 && m_continue) {
        if (!m_volumeReader.readInt32(nameLength))
            throw RaisedFailure{BackupTexts::CannotReadArchive};
        if (nameLength == 0) {
            finishTarget(true); // its last segment ended before the end marker
            break;
        }
        if (nameLength < 0 || nameLength > MaxNameLength)
            throw RaisedFailure{BackupTexts::InvalidArchiveType};
        QByteArray name(nameLength, Qt::Uninitialized);
        if (!m_volumeReader.readExact(name.data(), nameLength))
            throw RaisedFailure{BackupTexts::CannotReadArchive};
        if (name.startsWith(ContinuationPrefix)) {
            continueOnNextVolume(name, listing);
            continue;
        }
        finishTarget(true); // the previous entry's data ended before this entry
        qint32 fileDate = 0;
        if (!m_volumeReader.readInt32(fileDate))
            throw RaisedFailure{BackupTexts::CannotReadArchive};
        restoreEntry(name, fileDate, listing);
    }
}

void TBackupFile::restoreEntry(const QByteArray& nameBytes, qint32 fileDate, bool listing)
{
    const bool isFileIdList = nameBytes == FileIdListName;
    const QString name = decodeName(nameBytes);
    if (listing) {
        m_catalog->entries.append({name, fileDate, 0});
        CountingSink counter(&m_catalog->entries.last().size);
        readSegment(&counter);
        return;
    }

    m_decision = false;
    m_targetName.clear();
    m_targetDate = fileDate;
    if (isFileIdList) {
        readSegment(nullptr); // the file-ID list is never written out
        return;
    }
    bool safe = true;
    QString target = targetFor(name, safe);
    if (!safe) {
        m_rejectedNames << name;
        readSegment(nullptr);
        return;
    }
    bool decision = decide(nativeTargetOf(target), fileDate);
    if (m_onRestoreFile)
        m_onRestoreFile(this, target, fileDate, decision);
    const QString native = nativeTargetOf(target);
    if (decision) {
        if (native.isEmpty()) {
            decision = false;
        } else {
            const QString folder = QFileInfo(native).absolutePath();
            QDir().mkpath(folder);
            decision = QFileInfo(folder).isDir();
        }
    }
    m_targetName = target;
    m_decision = decision;
    if (!decision) {
        readSegment(nullptr);
        return;
    }
    if (!openTarget()) {
        m_decision = false;
        m_incompleteNames << m_targetName;
        setError(BackupTexts::CannotReadFile);
        return;
    }
    readIntoTarget(true);
}

void TBackupFile::continueOnNextVolume(const QByteArray& nameBytes, bool listing)
{
    const QByteArray digits = nameBytes.mid(int(sizeof(ContinuationPrefix)) - 1);
    const bool valid = nameBytes.size() == ContinuationNameLength
                       && std::all_of(digits.cbegin(), digits.cend(), [](char c) { return c >= '0' && c <= '9'; });
    if (!valid)
        throw RaisedFailure{BackupTexts::InvalidArchiveType};
    // Volume 1000 is ".000". A number that does not move forward would lead back to a volume
    // already read, and round for ever.
    const int number = digits == "000" ? MaxVolumeCount : digits.toInt();
    if (number <= m_volumeNumber)
        throw RaisedFailure{BackupTexts::InvalidArchiveType};
    m_volumeReader.close();
    const QString next = changeExtension(m_firstVolume, QLatin1Char('.') + QString::fromLatin1(digits));
    do {
        askForDisk(quint16(number));
    } while (m_continue && !QFileInfo(next).isFile());
    if (!m_continue)
        return;
    if (!m_volumeReader.open(next))
        throw RaisedFailure{BackupTexts::CannotReadArchive};
    m_volumeNumber = quint16(number);

    if (listing) {
        CountingSink counter(m_catalog->entries.isEmpty() ? nullptr : &m_catalog->entries.last().size);
        readSegment(&counter);
        return;
    }
    if (!m_decision || !m_targetOpen) {
        readSegment(nullptr);
        return;
    }
    readIntoTarget(false);
}

void TBackupFile::readIntoTarget(bool entryStart)
{
    TargetSink sink(m_targetWriter);
    std::optional<RaisedFailure> raised;
    try {
        readSegment(&sink);
    } catch (const RaisedFailure& failure) {
        // Restoring an entry into its target, a wrong signature and a failed write are the
        // target's failure (code 1); damage found elsewhere leaves the operation.
        if (failure.code == BackupTexts::CannotReadFile || (failure.badSignature && entryStart))
            setError(BackupTexts::CannotReadFile);
        else
            raised = failure;
    }
    if (raised)
        throw *raised; // the caller abandons the target
    if (m_errorCode != 0 || !m_continue)
        finishTarget(false);
    else
        segmentDone();
}

void TBackupFile::readSegment(Sink* sink)
{
    char signature[SignatureSize];
    if (!m_volumeReader.readExact(signature, SignatureSize))
        throw RaisedFailure{BackupTexts::CannotReadArchive};
    if (QByteArray(signature, int(qstrnlen(signature, SignatureSize))) != QByteArrayView("EC2"))
        throw RaisedFailure{BackupTexts::InvalidArchiveType, true};
    char* out = m_outBuffer.data();
    qint32 blockLength = 0;
    do {
        if (!m_volumeReader.readInt32(blockLength))
            throw RaisedFailure{BackupTexts::CannotReadArchive};
        if (blockLength == 0)
            break;
        const qint64 n = blockLength > 0 ? qint64(blockLength) : -qint64(blockLength);
        if (n > BlockSize)
            throw RaisedFailure{BackupTexts::InvalidArchiveType};
        qint64 written = 0;
        if (sink) {
            qint64 available = 0;
            const char* in = m_volumeReader.peek(n, available);
            if (!in || available < n)
                throw RaisedFailure{BackupTexts::CannotReadArchive};
            m_volumeReader.consume(n); // the bytes stay valid until the next peek
            if (blockLength > 0) {
                qint64 outLength = 0;
                switch (m_inflater.inflateBlock(in, n, out, outLength)) {
                case BlockInflater::Outcome::Ok:
                    if (!sink->write(out, outLength))
                        throw RaisedFailure{BackupTexts::CannotReadFile};
                    written = outLength;
                    break;
                case BlockInflater::Outcome::TooLarge:
                    throw RaisedFailure{BackupTexts::InvalidArchiveType};
                case BlockInflater::Outcome::Failed:
                    setError(BackupTexts::CompressionError);
                    break;
                }
            } else {
                if (!sink->write(in, n))
                    throw RaisedFailure{BackupTexts::CannotReadFile};
                written = n;
            }
        } else if (!m_volumeReader.skip(n)) {
            throw RaisedFailure{BackupTexts::CannotReadArchive};
        }
        letApplicationBreathe();
        if (sink && !m_catalog) {
            m_bytesDone += written;
            fireProgress(m_targetName);
        }
    } while (m_continue);
}

QString TBackupFile::targetFor(const QString& storedName, bool& safe) const
{
    if (m_destDir.isEmpty()) {
        // Back to the stored full path: only a complete DOS path without ".." qualifies.
        safe = DosPath::isDosAbsolute(storedName) && !hasParentComponent(storedName);
        return storedName;
    }
    QString relative;
    if (m_restoreFullPath) {
        relative = storedName.mid(3); // without the drive part ("c:\")
        safe = !relative.isEmpty() && !hasParentComponent(relative);
    } else {
        relative = fileNamePart(storedName);
        safe = !relative.isEmpty() && relative.trimmed() != QLatin1String("..") && relative != QLatin1String(".");
    }
    if (m_destDirNative)
        relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return m_destDir + relative;
}

bool TBackupFile::decide(const QString& nativeTarget, qint32 fileDate) const
{
    const QFileInfo info(nativeTarget);
    const bool exists = !nativeTarget.isEmpty() && info.exists();
    const bool older = exists && DosDateTime::pack(info.lastModified()) < fileDate;
    switch (m_restoreMode) {
    case TRestoreMode::rmAll: return true;
    case TRestoreMode::rmNoOverwrite: return !exists;
    case TRestoreMode::rmNewer: return !exists || older;
    case TRestoreMode::rmExisting: return exists;
    case TRestoreMode::rmExistingNewer: return exists && older;
    }
    return false;
}

bool TBackupFile::openTarget()
{
    // The file is rebuilt under a temporary name beside the target, across volumes if need be;
    // the existing file stays until the new one is whole.
    m_targetOpen = m_targetWriter.openReplacing(nativeTargetOf(m_targetName));
    return m_targetOpen;
}

void TBackupFile::segmentDone()
{
    if (!m_targetOpen)
        return;
    QFile& file = m_targetWriter.file(); // flushed
    if (m_onFileRestored)
        m_onFileRestored(this, m_targetName, file);
    if (m_targetWriter.failed()) {
        finishTarget(false);
        setError(BackupTexts::CannotReadFile);
    }
}

void TBackupFile::finishTarget(bool whole)
{
    if (!m_targetOpen)
        return;
    m_targetOpen = false;
    if (whole && m_errorCode == 0 && m_continue) {
        // Only a file restored whole gets the stored date and replaces the old one.
        DosDateTime::setFileDate(m_targetWriter.file(), m_targetDate);
        if (m_targetWriter.commit())
            return;
        m_incompleteNames << m_targetName;
        setError(BackupTexts::CannotReadFile);
        return;
    }
    m_targetWriter.close(); // abandoned: the temporary file goes, the old file stays
    m_incompleteNames << m_targetName;
}

} // namespace ksv
