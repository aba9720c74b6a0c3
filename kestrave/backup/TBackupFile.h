#pragma once

#include "BackupTexts.h"
#include "BlockCompressor.h"
#include "BlockInflater.h"
#include "BufferedFileReader.h"
#include "BufferedFileWriter.h"
#include "FileListExpander.h"
#include "Result.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace ksv {

class TBackupFile;

enum class TBackupMode : quint8 { bmAll = 0, bmIncremental = 1 };
enum class TRestoreMode : quint8 { rmAll = 0, rmNoOverwrite = 1, rmNewer = 2, rmExisting = 3, rmExistingNewer = 4 };
// clFastest comes before clNone: the order is the index of the level table.
enum class TCompressionLevel : quint8 { clFastest = 0, clNone = 1, clDefault = 2, clMax = 3 };

using TPercentage = quint8; // 0..100

// Events. Each Continue / DoRestore reference is the engine's own flag: clearing it stops the
// operation at its next check (or, for DoRestore, skips the file).
using TProgressEvent = std::function<void(TBackupFile* Sender, const QString& Filename, TPercentage Percent, bool& Continue)>;
using TNeedDiskEvent = std::function<void(TBackupFile* Sender, quint16 DiskID, bool& Continue)>;
using TRestoreFileEvent = std::function<void(TBackupFile* Sender, QString& Filename, qint32 FA, bool& DoRestore)>;
using TFileRestoredEvent = std::function<void(TBackupFile* Sender, QString& Filename, QFile& Stream)>;
using TBackupErrorEvent = std::function<void(TBackupFile* Sender, qint32 Error, const QString& ErrString)>;

// The split container engine: packs a list of files into a container cut into numbered
// volumes of at most MaxSize bytes, and restores them. Runs on the caller's thread and lets
// the application process its pending events after every block, so that a Cancel button can
// call StopProcess in the middle of an operation. One operation at a time per component.
//
// Paths may be given in the system's DOS form ("C:\Data\*.doc") or as native paths; names are
// stored in DOS form with the drive letter lower-cased and the rest as the file system spells it.
//
// Nothing is lost when a run fails. A backup writes its volumes under temporary names: on a
// fixed medium the new set replaces the old one only once every volume is complete; on a
// removable drive, where each volume goes to its own disk, each volume replaces its
// predecessor once it is complete. Archive flags are cleared only after that. A restore writes
// each file under a temporary name and replaces the existing file only when it was restored
// whole; a damaged or incomplete file is listed in IncompleteNames() instead.
class TBackupFile : public QObject
{
    Q_OBJECT

public:
    // One entry of a container as ReadCatalog sees it.
    struct CatalogEntry
    {
        QString name;        // stored name ("FILE:LIST" for the file-ID list)
        qint32 date = 0;     // packed DOS date and time
        qint64 size = 0;     // bytes the entry restores to
    };
    struct Catalog
    {
        QString title;
        qint32 totalSize = 0;
        qint32 fileCount = 0;
        QList<CatalogEntry> entries;
        int volumeCount = 1;
        bool complete = false; // false when a disk request was answered with Cancel
    };

    explicit TBackupFile(QObject* parent = nullptr);
    ~TBackupFile() override;

    // Published properties, with the original's initial values.
    QString Version() const { return QStringLiteral("5.10"); }
    void setVersion(const QString&) {} // accepted and ignored
    QString BackupTitle() const { return m_backupTitle; }
    void setBackupTitle(const QString& title) { m_backupTitle = title; }
    TBackupMode BackupMode() const { return m_backupMode; }
    // Switching to bmIncremental also sets SetArchiveFlag.
    void setBackupMode(TBackupMode mode);
    TCompressionLevel CompressionLevel() const { return m_compressionLevel; }
    void setCompressionLevel(TCompressionLevel level) { m_compressionLevel = level; }
    TRestoreMode RestoreMode() const { return m_restoreMode; }
    void setRestoreMode(TRestoreMode mode) { m_restoreMode = mode; }
    // Upper bound of one volume in bytes; 0 = one volume of any size. A non-zero value must be
    // larger than 16484. May be changed from OnNeedDisk; it applies to the next volume.
    qint32 MaxSize() const { return m_maxSize; }
    void setMaxSize(qint32 bytes) { m_maxSize = bytes; }
    bool SetArchiveFlag() const { return m_setArchiveFlag; }
    void setSetArchiveFlag(bool on) { m_setArchiveFlag = on; }
    bool RestoreFullPath() const { return m_restoreFullPath; }
    void setRestoreFullPath(bool on) { m_restoreFullPath = on; }
    bool SaveFileID() const { return m_saveFileId; }
    void setSaveFileID(bool on) { m_saveFileId = on; }

    const TProgressEvent& OnProgress() const { return m_onProgress; }
    void setOnProgress(TProgressEvent handler) { m_onProgress = std::move(handler); }
    const TNeedDiskEvent& OnNeedDisk() const { return m_onNeedDisk; }
    void setOnNeedDisk(TNeedDiskEvent handler) { m_onNeedDisk = std::move(handler); }
    const TRestoreFileEvent& OnRestoreFile() const { return m_onRestoreFile; }
    void setOnRestoreFile(TRestoreFileEvent handler) { m_onRestoreFile = std::move(handler); }
    const TFileRestoredEvent& OnFileRestored() const { return m_onFileRestored; }
    void setOnFileRestored(TFileRestoredEvent handler) { m_onFileRestored = std::move(handler); }
    const TBackupErrorEvent& OnError() const { return m_onError; }
    void setOnError(TBackupErrorEvent handler) { m_onError = std::move(handler); }

    // Packs the files of List (specifications, each optionally followed by " /s") into the
    // container whose first volume is DestFile. True when every file was stored and the end
    // marker written.
    bool Backup(const QStringList& List, const QString& DestFile);
    // Restores the container whose first volume is SourceFile into DestDir, or to the stored
    // paths when DestDir is empty. True when the operation ended without error and was not stopped.
    bool Restore(const QString& SourceFile, const QString& DestDir);
    bool Busy() const { return m_busy; }
    void StopProcess() { m_continue = false; }

    // Reads a container's title, counts and entries without writing anything (volumes are
    // asked for like during a restore). Fails with the same codes and texts as Restore.
    Result<Catalog> ReadCatalog(const QString& SourceFile);

    // Outcome of the last operation: code 0 when it succeeded or was stopped, else the error
    // code and its text. LastFailureRaised() tells a failure that the original component raised
    // as an exception instead of reporting it ("Cannot read archive", "Invalid archive type"):
    // it leaves without the final progress event and without the error report.
    const Status& LastStatus() const { return m_lastStatus; }
    bool LastFailureRaised() const { return m_failureRaised; }
    // Stored names a restore refused because they would leave the destination folder.
    const QStringList& RejectedNames() const { return m_rejectedNames; }
    // Targets of the last restore that were not restored whole (damaged data, a missing volume,
    // a full disk, a stop): each kept its old content, or was not created.
    const QStringList& IncompleteNames() const { return m_incompleteNames; }
    // Whether writing volume n of a backup to firstVolume on a removable drive must remove the
    // previous volume of that name first, because the medium has no room for both.
    bool replacesInPlace(const QString& firstVolume, int volumeNumber) const;
    // The number of the last volume written or read.
    quint16 VolumeNumber() const { return m_volumeNumber; }

    static QString ErrorText(int code) { return BackupTexts::errorText(code); }
    // zlib level of a compression level: 1, 0, -1 (zlib's default), 9.
    static int zlibLevel(TCompressionLevel level);
    // Name of volume n for a first volume's name (.002 ... .999, then .000).
    static QString VolumeName(const QString& firstVolume, int volumeNumber);

private:
    class Sink;
    class TargetSink;
    class CountingSink;

    void resetOutcome();
    void setError(int code);
    void reportError();
    void fireProgress(const QString& name);
    void fireProgressValue(const QString& name, TPercentage percent);
    TPercentage percentage() const;
    void askForDisk(quint16 diskId);
    void letApplicationBreathe();

    // Backup
    bool storeFile(const BackupListEntry& entry);
    bool writeSegment(BufferedFileReader& source, qint64& remaining, const QString& progressName);
    bool startNextVolume();
    bool openVolume(int volumeNumber);
    bool finishVolume();
    bool commitVolumes();
    static void finishInterruptedReplace(const QString& firstVolume);
    qint64 roomNeededForVolume() const;

    // Restore
    void readHeader(Catalog* catalog);
    void restoreLoop(bool listing);
    void restoreEntry(const QByteArray& nameBytes, qint32 fileDate, bool listing);
    void continueOnNextVolume(const QByteArray& nameBytes, bool listing);
    void readSegment(Sink* sink);
    void readIntoTarget(bool entryStart);
    QString targetFor(const QString& storedName, bool& safe) const;
    bool decide(const QString& nativeTarget, qint32 fileDate) const;
    bool openTarget();
    void segmentDone();
    void finishTarget(bool whole);

    static QString nativePathOf(const QString& path);
    static QString nativeTargetOf(const QString& path);

    // Properties
    QString m_backupTitle;
    TBackupMode m_backupMode = TBackupMode::bmAll;
    TCompressionLevel m_compressionLevel = TCompressionLevel::clFastest;
    TRestoreMode m_restoreMode = TRestoreMode::rmAll;
    qint32 m_maxSize = 0;
    bool m_setArchiveFlag = false;
    bool m_restoreFullPath = false;
    bool m_saveFileId = false;
    TProgressEvent m_onProgress;
    TNeedDiskEvent m_onNeedDisk;
    TRestoreFileEvent m_onRestoreFile;
    TFileRestoredEvent m_onFileRestored;
    TBackupErrorEvent m_onError;

    // Run-time state of the one running operation.
    qint64 m_totalSize = 0;
    qint64 m_bytesDone = 0;
    quint16 m_volumeNumber = 1;
    bool m_busy = false;
    bool m_continue = false;
    int m_errorCode = 0;
    Status m_lastStatus;
    bool m_failureRaised = false;
    QStringList m_rejectedNames;
    QStringList m_incompleteNames;

    QString m_firstVolume;        // native path of volume 1
    QString m_destDir;            // restore destination with its trailing separator, or empty
    bool m_destDirNative = false; // the destination was given as a native path
    BufferedFileWriter m_volumeWriter;
    bool m_volumeByVolume = false;    // removable drive: each volume replaces its predecessor
    std::vector<std::unique_ptr<AtomicFile>> m_pendingVolumes; // complete, not yet in place
    QStringList m_flagsToClear;       // files whose archive flag goes once the data is in place
    BufferedFileReader m_volumeReader;
    BufferedFileReader m_sourceReader;
    BufferedFileWriter m_targetWriter;
    QString m_targetName;         // announced target of the current entry
    qint32 m_targetDate = 0;
    bool m_targetOpen = false;
    bool m_decision = true;       // whether the current entry is being restored
    Catalog* m_catalog = nullptr; // filled while ReadCatalog runs
    BlockCompressor m_compressor;
    BlockInflater m_inflater;
    QElapsedTimer m_eventTimer;
    QByteArray m_outBuffer;
};

} // namespace ksv
