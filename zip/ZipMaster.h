#pragma once

#include "SfxFormat.h"
#include "ZipEntry.h"
#include "ZipTexts.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

namespace ksv {

struct FileToAdd;

// The zip component of the suite: adds files to a ZIP archive, extracts, tests and deletes
// entries, lists the contents, turns an archive into a self-extracting program and back, and
// copies archives. It works on the caller's thread (compression itself runs on all cores
// behind it) and reports through OnProgress and OnMessage as it goes; a handler may set the
// cancel flag at any time. No widgets: questions go through ksv::dialogs().
//
// Paths (FileName, specifications, extraction folder, copy arguments) may be in the system's
// DOS form or native.
//
// An archive is never lost: changes are written to a hidden ".NAME.XXXXXX" file beside the
// archive and renamed over it only when complete and synced; a failure, a full disk or a cancel
// leaves the previous archive exactly as it was. An archive path that is a link updates the
// archive it names; one that is neither a regular file nor absent is refused.
class ZipMaster : public QObject
{
    Q_OBJECT

public:
    // Add options (bit positions as the programs know them).
    enum AddOption : unsigned {
        AddDirNames = 1u << 0,
        AddRecurseDirs = 1u << 1,
        AddUpdate = 1u << 4,      // replace only newer or resized files; add new ones
        AddHiddenFiles = 1u << 7,
        AddEncrypt = 1u << 10,    // encrypt with Password (AES-256)
    };
    // Extraction options.
    enum ExtrOption : unsigned {
        ExtrDirNames = 1u << 0,   // restore stored folders
        ExtrOverWrite = 1u << 1,  // replace existing files (else they are kept)
        ExtrTest = 1u << 2,       // only test the entries
        ExtrExactNames = 1u << 3, // FSpecArgs are stored names, taken literally
    };
    // Kinds of OnProgress, in the order they arrive.
    enum ProgressKind {
        NewFile = 0,              // (name, size) a file starts
        ProgressUpdate = 1,       // (name, bytes since the previous event)
        EndOfBatch = 2,
        TotalFiles2Process = 3,   // ("", count)
        TotalSize2Process = 4,    // ("", bytes)
    };

    explicit ZipMaster(QObject* parent = nullptr);
    ~ZipMaster() override;

    // The archive. Setting it reads its contents list (empty when the file does not exist).
    QString FileName() const { return m_fileName; }
    void setFileName(const QString& fileName);

    int AddCompLevel() const { return m_level; }
    void setAddCompLevel(int level);
    unsigned AddOptions() const { return m_addOptions; }
    void setAddOptions(unsigned options) { m_addOptions = options; }
    unsigned ExtrOptions() const { return m_extrOptions; }
    void setExtrOptions(unsigned options) { m_extrOptions = options; }
    QString ExtrBaseDir() const { return m_extrBaseDir; }
    void setExtrBaseDir(const QString& folder) { m_extrBaseDir = folder; }
    QString Password() const { return m_password; }
    void setPassword(const QString& password) { m_password = password.left(255); }
    // Items to add, extract or delete; exclusions for add.
    QStringList FSpecArgs() const { return m_specs; }
    void setFSpecArgs(const QStringList& specs) { m_specs = specs; }
    QStringList FSpecArgsExcl() const { return m_exclusions; }
    void setFSpecArgsExcl(const QStringList& specs) { m_exclusions = specs; }
    // Suffixes (without dot, any case) of files stored without compression.
    QStringList AddStoreSuffixes() const { return m_storeSuffixes; }
    void setAddStoreSuffixes(const QStringList& suffixes) { m_storeSuffixes = suffixes; }
    static QStringList defaultStoreSuffixes();

    // The archive comment; setting it rewrites the archive when it exists and the text changes.
    QString ZipComment() const { return m_comment; }
    int setZipComment(const QString& comment);

    // Self-extractor settings used by ConvertSFX.
    QString SFXCaption() const { return m_sfx.caption; }
    void setSFXCaption(const QString& text) { m_sfx.caption = text; }
    QString SFXDefaultDir() const { return m_sfx.defaultFolder; }
    void setSFXDefaultDir(const QString& folder) { m_sfx.defaultFolder = folder; }
    QString SFXCommandLine() const { return m_sfx.commandLine; }
    void setSFXCommandLine(const QString& command) { m_sfx.commandLine = command; }
    QString SFXMessage() const { return m_sfx.message; }
    void setSFXMessage(const QString& message) { m_sfx.message = message; }
    QByteArray SFXIcon() const { return m_sfx.icon; }
    void setSFXIcon(const QByteArray& iconFileBytes) { m_sfx.icon = iconFileBytes; }
    bool setSFXIconFile(const QString& path); // reads an icon or picture file
    SfxOverwriteMode SFXOverWriteMode() const { return m_sfx.overwriteMode; }
    void setSFXOverWriteMode(SfxOverwriteMode mode) { m_sfx.overwriteMode = mode; }
    unsigned SFXOptions() const { return m_sfx.options; }
    void setSFXOptions(unsigned options) { m_sfx.options = options; }
    // The extractor program; a bare name is looked up in the asset folders.
    QString SFXPath() const { return m_sfxPath; }
    void setSFXPath(const QString& path) { m_sfxPath = path; }
    // Whether ConvertSFX and ConvertZIP replace a file already at their target. By default they
    // do (the runner converts in its own work folder); otherwise they refuse with TargetExists.
    bool ConvertReplacesExisting() const { return m_convertReplaces; }
    void setConvertReplacesExisting(bool replace) { m_convertReplaces = replace; }

    // Operations. Each returns 0 on success, else the code of the message that explains it.
    int Add();
    int Extract();   // with ExtrTest in ExtrOptions: only tests
    int Test();      // Extract with ExtrTest, leaving ExtrOptions as they were
    int Delete();
    int ConvertSFX(); // "name.zip" -> "name.exe" (replaces the ZIP)
    int ConvertZIP(); // "name.exe" -> "name.zip" (replaces the program)
    // 0 success; -1 the target cannot be created; -2 read or write error (full disk included);
    // -3 the source is missing or not a valid archive; -9 any other error.
    int CopyFile(const QString& source, const QString& target);
    // Asks for a password and its confirmation; sets Password and returns it, or "" when
    // cancelled or different.
    QString GetAddPassword();

    // Contents list of the archive (read again after each operation).
    const QList<ZipEntry>& ZipContents() const { return m_contents; }
    int Count() const { return static_cast<int>(m_contents.size()); }
    void refreshContents();
    // Entries added, extracted, tested good or deleted by the last operation.
    int SuccessCnt() const { return m_successCount; }
    int ErrCode() const { return m_errorCode; }
    QString ErrMessage() const { return m_errorMessage; }
    bool Busy() const { return m_busy; }
    bool Cancel() const { return m_cancel; }
    void setCancel(bool cancel) { m_cancel = cancel; }

    // Called often during long operations on the caller's thread, e.g. to let the window
    // process pending events.
    void setIdleHandler(std::function<void()> handler) { m_idle = std::move(handler); }

signals:
    void OnProgress(int kind, const QString& fileName, qint64 size);
    void OnMessage(int code, const QString& text);

private:
    int convert(const QString& sourceSuffix, const QString& targetSuffix,
                const std::function<Status(const QString& source, const QString& target)>& write);
    struct BusyScope;

    int report(int code, const QString& text);
    int addFiles();
    // Writes the archive with these files. When a file turns out unreadable during the writing,
    // nothing is written, *unreadable names the file and *reason says why.
    int writeArchive(const QList<FileToAdd>& files, const QString& archiveAbsolute, QString* unreadable, QString* reason);
    int extractEntries(bool testOnly);
    bool keepGoing();
    bool entryMatches(const QString& name) const;
    QString nativeArchive() const;
    bool isSelfExtracting(const QString& native) const;

    QString m_fileName;
    int m_level = 9;
    unsigned m_addOptions = 0;
    unsigned m_extrOptions = 0;
    QString m_extrBaseDir;
    QString m_password;
    QStringList m_specs;
    QStringList m_exclusions;
    QStringList m_storeSuffixes;
    QString m_comment;
    SfxSettings m_sfx;
    QString m_sfxPath = QStringLiteral("ZipSFX.bin");
    bool m_convertReplaces = true;

    QList<ZipEntry> m_contents;
    int m_successCount = 0;
    int m_errorCode = 0;
    QString m_errorMessage;
    bool m_busy = false;
    std::atomic<bool> m_cancel = false;
    std::function<void()> m_idle;
};

} // namespace ksv
