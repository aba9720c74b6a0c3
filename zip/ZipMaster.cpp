#include "ZipMaster.h"

#include "ArchiveFileSource.h"
#include "AtomicFile.h"
#include "CompressionPipeline.h"
#include "DosMask.h"
#include "FileCollector.h"
#include "WinZipAesReader.h"
#include "ZipDirectory.h"
#include "ZipPaths.h"
#include "ZipReadSource.h"

#include "AtomicFile.h"
#include "Dialogs.h"
#include "Drives.h"
#include "ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <zip.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace ksv {

namespace {

constexpr qint64 CopyBlock = 1 << 20;
constexpr qint64 ExtractBlock = 256 << 10;

std::time_t evenSeconds(std::time_t t)
{
    return t - (t % 2);
}

QString libzipError(zip_error_t* error)
{
    return QString::fromLocal8Bit(zip_error_strerror(error));
}

// Free bytes where a native path is written (-1 unknown) and whether its folder refuses writes.
struct DriveRoom
{
    qint64 free = -1;
    bool readOnly = false;
};

DriveRoom roomFor(const QString& nativePath)
{
    DriveRoom room;
    if (ZipPaths::driveOf(nativePath)) {
        room.free = driveServices().folderFreeSpace(nativePath);
        room.readOnly = driveServices().folderReadOnly(nativePath);
    }
    return room;
}

// The hidden temporary file an archive is written to (".NAME.XXXXXX" beside it), possibly left
// behind by a run that was killed.
bool isArchiveTemporary(const QString& fileName, const QString& archivePath)
{
    const QString prefix = QLatin1Char('.') + QFileInfo(archivePath).fileName() + QLatin1Char('.');
    return fileName.size() == prefix.size() + 6 && fileName.startsWith(prefix);
}

void setModificationTime(const QString& nativePath, std::time_t mtime)
{
    struct timeval times[2];
    times[0].tv_sec = mtime;
    times[0].tv_usec = 0;
    times[1] = times[0];
    ::utimes(QFile::encodeName(nativePath).constData(), times);
}

} // namespace

struct ZipMaster::BusyScope
{
    explicit BusyScope(ZipMaster& zip) : m_zip(zip)
    {
        m_zip.m_busy = true;
        m_zip.m_cancel = false;
        m_zip.m_successCount = 0;
        m_zip.m_errorCode = 0;
        m_zip.m_errorMessage.clear();
    }
    ~BusyScope() { m_zip.m_busy = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    ZipMaster& m_zip;
};

ZipMaster::ZipMaster(QObject* parent) : QObject(parent), m_storeSuffixes(defaultStoreSuffixes()) {}

ZipMaster::~ZipMaster() = default;

QStringList ZipMaster::defaultStoreSuffixes()
{
    return {QStringLiteral("gif"), QStringLiteral("png"), QStringLiteral("z"),   QStringLiteral("zip"),
            QStringLiteral("zoo"), QStringLiteral("arc"), QStringLiteral("lzh"), QStringLiteral("arj"),
            QStringLiteral("taz"), QStringLiteral("tgz"), QStringLiteral("lha")};
}

void ZipMaster::setFileName(const QString& fileName)
{
    m_fileName = fileName;
    refreshContents();
}

void ZipMaster::setAddCompLevel(int level)
{
    m_level = std::clamp(level, 0, 9);
}

bool ZipMaster::setSFXIconFile(const QString& path)
{
    QFile file(ZipPaths::toNative(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    m_sfx.icon = file.readAll();
    return true;
}

QString ZipMaster::nativeArchive() const
{
    return ZipPaths::toNative(m_fileName);
}

bool ZipMaster::isSelfExtracting(const QString& native) const
{
    const auto start = SfxFormat::zipStart(native);
    return start && *start > 0;
}

int ZipMaster::report(int code, const QString& text)
{
    if (code != 0) {
        m_errorCode = code;
        m_errorMessage = text;
    }
    emit OnMessage(code, text);
    return code;
}

bool ZipMaster::keepGoing()
{
    if (m_idle)
        m_idle();
    return !m_cancel;
}

void ZipMaster::refreshContents()
{
    m_contents.clear();
    m_comment.clear();
    const QString native = nativeArchive();
    if (native.isEmpty() || !QFileInfo(native).isFile())
        return;
    int error = 0;
    zip_t* za = ZipReadSource::open(native, &error);
    if (!za)
        return;
    int commentLength = 0;
    if (const char* comment = zip_get_archive_comment(za, &commentLength, 0))
        m_comment = QString::fromUtf8(comment, commentLength);
    const zip_int64_t count = zip_get_num_entries(za, 0);
    m_contents.reserve(count);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) != 0)
            continue;
        ZipEntry entry;
        entry.FileName = QString::fromUtf8(st.name);
        entry.CompressedSize = static_cast<qint64>(st.comp_size);
        entry.UncompressedSize = static_cast<qint64>(st.size);
        entry.DateTime = QDateTime::fromSecsSinceEpoch(st.mtime);
        entry.CRC32 = st.crc;
        entry.CompressionMethod = st.comp_method;
        entry.EncryptionMethod = st.encryption_method;
        entry.Encrypted = st.encryption_method != ZIP_EM_NONE;
        m_contents.append(entry);
    }
    zip_discard(za);
}

// ---------------------------------------------------------------------------------------- Add

int ZipMaster::Add()
{
    if (m_busy)
        return ZipCode::Busy; // refused quietly: the running operation keeps its state
    BusyScope busy(*this);
    const int result = addFiles();
    refreshContents();
    return result;
}

int ZipMaster::addFiles()
{
    const QString archive = nativeArchive();
    if (archive.isEmpty())
        return report(ZipCode::NoArchiveName, ZipTexts::noArchiveName());
    // A link is followed to the archive it names; a folder, device or FIFO is never replaced.
    const Result<QString> resolved = AtomicFile::resolveTarget(archive);
    if (!resolved)
        return report(ZipCode::WriteError, ZipTexts::cannotWrite(m_fileName, resolved.status().message()));
    const QString archiveAbsolute = *resolved;
    const bool archiveExists = QFileInfo(archiveAbsolute).isFile();
    if (archiveExists && isSelfExtracting(archiveAbsolute))
        return report(ZipCode::WriteError, ZipTexts::sfxReadOnlyUpdate(m_fileName));

    FileCollector::Options options;
    options.dirNames = m_addOptions & AddDirNames;
    options.recurse = m_addOptions & AddRecurseDirs;
    options.hidden = m_addOptions & AddHiddenFiles;
    FileCollector collector(options, m_exclusions);
    for (const QString& spec : m_specs) {
        collector.collect(spec);
        if (!keepGoing())
            return report(ZipCode::Info, ZipTexts::cancelled());
    }
    for (const QString& missing : collector.missing())
        report(ZipCode::FileNotFound, ZipTexts::fileNotFound(missing));
    for (const FileCollector::LeftOut& file : collector.leftOut())
        report(ZipCode::ReadError, ZipTexts::cannotRead(file.displayPath, file.reason));
    for (const StoredNameClash& clash : collector.clashes())
        report(ZipCode::NameClash, ZipTexts::nameClash(clash.displayPath, clash.storedName, clash.takenBy));

    // Never store the archive itself or the engine's own temporary files beside it.
    const QString archiveFolder = QFileInfo(archiveAbsolute).absolutePath();
    QList<FileToAdd> files;
    for (const FileToAdd& file : collector.files()) {
        if (file.nativePath == archiveAbsolute)
            continue;
        const QFileInfo info(file.nativePath);
        if (info.absolutePath() == archiveFolder
            && (info.fileName().startsWith(QLatin1String("ZipTmp")) || isArchiveTemporary(info.fileName(), archiveAbsolute)))
            continue;
        files.append(file);
    }

    // A file that cannot be read (no permission, a link whose target is gone, a file deleted
    // since the listing) is reported and left out: the others are archived all the same.
    for (auto it = files.begin(); it != files.end();) {
        const QString why = it->folder ? QString() : CompressionPipeline::checkReadable(it->nativePath, it->rawPath);
        if (why.isEmpty()) {
            ++it;
            continue;
        }
        report(ZipCode::ReadError, ZipTexts::cannotRead(it->displayPath, why));
        it = files.erase(it);
    }

    // A file that fails while the archive is written (it vanished or shrank meanwhile) is left
    // out in the same way and the archive written again without it.
    for (;;) {
        if (files.isEmpty() && !archiveExists)
            return report(ZipCode::NothingToDo, ZipTexts::nothingToDo(m_fileName));
        QString unreadable;
        QString why;
        const int result = writeArchive(files, archiveAbsolute, &unreadable, &why);
        if (unreadable.isEmpty())
            return result;
        const qsizetype before = files.size();
        files.removeIf([&](const FileToAdd& file) { return file.nativePath == unreadable; });
        if (files.size() == before) {
            emit OnProgress(EndOfBatch, QString(), 0);
            return report(ZipCode::ReadError, ZipTexts::cannotRead(ZipPaths::toDisplay(unreadable), why));
        }
        report(ZipCode::ReadError, ZipTexts::cannotRead(ZipPaths::toDisplay(unreadable), why));
    }
}

int ZipMaster::writeArchive(const QList<FileToAdd>& files, const QString& archiveAbsolute, QString* unreadable,
                            QString* reason)
{
    const DriveRoom room = roomFor(archiveAbsolute);
    auto writeReport = std::make_shared<ArchiveWriteReport>();
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = ArchiveFileSource::create(archiveAbsolute, room.free, writeReport, &error);
    zip_t* za = source ? zip_open_from_source(source, ZIP_CREATE, &error) : nullptr;
    if (!za) {
        const QString why = libzipError(&error);
        if (source)
            zip_source_free(source);
        zip_error_fini(&error);
        return report(ZipCode::BadArchive, ZipTexts::badArchive(m_fileName, why));
    }
    zip_error_fini(&error);

    // Existing entries by name. Stored names are case-sensitive: "Report.txt" does not replace
    // "report.txt". A name is found by its bytes as stored (names that are not UTF-8) and as
    // libzip reads it.
    QHash<QByteArray, zip_uint64_t> existing;
    const zip_int64_t entryCount = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < entryCount; ++i) {
        if (const char* name = zip_get_name(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW))
            existing.insert(QByteArray(name), static_cast<zip_uint64_t>(i));
        if (const char* name = zip_get_name(za, static_cast<zip_uint64_t>(i), 0))
            existing.insert(QByteArray(name), static_cast<zip_uint64_t>(i));
    }

    struct Planned
    {
        const FileToAdd* file;
        qint64 replaces; // index of the entry it replaces, -1 for a new entry
    };
    QList<Planned> replaced;
    QList<Planned> added;
    QList<const FileToAdd*> folders; // empty folders not yet in the archive
    const bool update = m_addOptions & AddUpdate;
    for (const FileToAdd& file : files) {
        const auto found = existing.constFind(file.storedBytes());
        if (file.folder) {
            if (found == existing.constEnd())
                folders.append(&file);
            continue;
        }
        if (found == existing.constEnd()) {
            added.append({&file, -1});
            continue;
        }
        if (update) {
            zip_stat_t st;
            if (zip_stat_index(za, *found, 0, &st) == 0) {
                const bool newer = evenSeconds(file.mtime) > st.mtime;
                const bool resized = static_cast<zip_uint64_t>(file.size) != st.size;
                if (!newer && !resized)
                    continue;
            }
        }
        // libzip cannot take new data for a stored entry without compressing it again (asking
        // for "stored" once more counts as no change), so such an entry is replaced by a new one.
        zip_stat_t original;
        if (zip_stat_index(za, *found, ZIP_FL_UNCHANGED, &original) == 0 && (original.valid & ZIP_STAT_COMP_METHOD)
            && original.comp_method == ZIP_CM_STORE && zip_delete(za, *found) == 0) {
            added.append({&file, -1});
            continue;
        }
        replaced.append({&file, static_cast<qint64>(*found)});
    }
    // libzip writes the entries in index order; the pipeline must deliver them in that order.
    std::sort(replaced.begin(), replaced.end(), [](const Planned& a, const Planned& b) { return a.replaces < b.replaces; });
    QList<Planned> planned = replaced + added;

    qint64 totalSize = 0;
    for (const Planned& p : planned)
        totalSize += p.file->size;
    emit OnProgress(TotalFiles2Process, QString(), planned.size());
    emit OnProgress(TotalSize2Process, QString(), totalSize);

    if (planned.isEmpty() && folders.isEmpty()) {
        zip_discard(za);
        emit OnProgress(EndOfBatch, QString(), 0);
        report(ZipCode::Info, ZipTexts::unchanged(m_fileName));
        return 0;
    }
    if (room.readOnly) {
        zip_discard(za);
        emit OnProgress(EndOfBatch, QString(), 0);
        return report(ZipCode::WriteError, ZipTexts::cannotWrite(m_fileName, QStringLiteral("read-only medium")));
    }

    CompressionPipeline::Hooks hooks;
    hooks.entryStarted = [&](int entry) {
        const FileToAdd& file = *planned[entry].file;
        emit OnProgress(NewFile, file.displayPath, file.size);
        return keepGoing();
    };
    hooks.progress = [&](int entry, qint64 bytes) {
        emit OnProgress(ProgressUpdate, planned[entry].file->displayPath, bytes);
        return keepGoing();
    };
    hooks.waiting = [&] { return keepGoing(); };
    CompressionPipeline pipeline(m_level, hooks);

    QSet<QString> storeSuffixes;
    for (const QString& suffix : m_storeSuffixes)
        storeSuffixes.insert(suffix.toLower());
    const bool encrypt = (m_addOptions & AddEncrypt) && !m_password.isEmpty();
    const QByteArray password = m_password.toUtf8();

    QString setupFailure;
    for (const FileToAdd* folder : folders) {
        const zip_int64_t index = zip_dir_add(za, folder->storedName.toUtf8().constData(), ZIP_FL_ENC_GUESS);
        if (index < 0) {
            setupFailure = QString::fromLocal8Bit(zip_strerror(za));
            break;
        }
        zip_file_set_mtime(za, static_cast<zip_uint64_t>(index), folder->mtime, 0);
        zip_file_set_external_attributes(za, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                         ((0040000u | (folder->permissions & 0777u)) << 16) | 0x10u);
    }
    for (int i = 0; setupFailure.isEmpty() && i < planned.size(); ++i) {
        const FileToAdd& file = *planned[i].file;
        const QString suffix = QFileInfo(file.storedName).suffix().toLower();
        const auto method = storeSuffixes.contains(suffix) ? CompressionPipeline::Method::Store
                                                           : CompressionPipeline::Method::Auto;
        const int entry = pipeline.addEntry(file.nativePath, file.size, file.mtime, method, file.rawPath);
        zip_error_init(&error);
        zip_source_t* entrySource = pipeline.createSource(entry, za, &error);
        zip_error_fini(&error);
        if (!entrySource) {
            setupFailure = QStringLiteral("out of memory");
            break;
        }
        zip_int64_t index = -1;
        int originalMethod = -1;
        if (planned[i].replaces >= 0) {
            zip_stat_t original;
            if (zip_stat_index(za, static_cast<zip_uint64_t>(planned[i].replaces), ZIP_FL_UNCHANGED, &original) == 0
                && (original.valid & ZIP_STAT_COMP_METHOD))
                originalMethod = original.comp_method;
            if (zip_file_replace(za, static_cast<zip_uint64_t>(planned[i].replaces), entrySource, 0) == 0)
                index = planned[i].replaces;
        } else {
            // A name that is not UTF-8 is stored as its bytes, without the UTF-8 flag.
            index = zip_file_add(za, file.storedBytes().constData(), entrySource,
                                 file.rawStoredName.isEmpty() ? ZIP_FL_ENC_GUESS : ZIP_FL_ENC_RAW);
        }
        if (index < 0) {
            zip_source_free(entrySource);
            setupFailure = QString::fromLocal8Bit(zip_strerror(za));
            break;
        }
        pipeline.setEntryIndex(entry, static_cast<zip_uint64_t>(index), originalMethod);
        zip_file_set_external_attributes(za, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                         (0100000u | (file.permissions & 0777u)) << 16);
        if (method == CompressionPipeline::Method::Store || m_level == 0 || file.size == 0)
            CompressionPipeline::setMethod(za, static_cast<zip_uint64_t>(index), originalMethod, ZIP_CM_STORE);
        if (encrypt && zip_file_set_encryption(za, static_cast<zip_uint64_t>(index), ZIP_EM_AES_256, password.constData()) != 0) {
            setupFailure = QString::fromLocal8Bit(zip_strerror(za));
            break;
        }
    }
    if (!setupFailure.isEmpty()) {
        zip_discard(za);
        emit OnProgress(EndOfBatch, QString(), 0);
        return report(ZipCode::WriteError, ZipTexts::cannotWrite(m_fileName, setupFailure));
    }

    zip_register_cancel_callback_with_state(
        za, [](zip_t*, void* state) { return static_cast<ZipMaster*>(state)->m_cancel ? 1 : 0; }, nullptr, this);
    pipeline.start();
    const int closed = zip_close(za);
    pipeline.stop();
    int result = 0;
    if (closed != 0) {
        const int zipError = zip_error_code_zip(zip_get_error(za));
        const QString why = QString::fromLocal8Bit(zip_strerror(za));
        zip_discard(za);
        if (m_cancel || pipeline.cancelled() || zipError == ZIP_ER_CANCELLED)
            report(ZipCode::Info, ZipTexts::cancelled());
        else if (writeReport->diskFull)
            result = report(ZipCode::DiskFull, ZipTexts::diskFull(m_fileName));
        else if (!pipeline.failure().isEmpty()) {
            *unreadable = pipeline.failedFile();
            *reason = pipeline.failure();
            return 0; // written again without the file, the batch goes on
        } else
            result = report(ZipCode::WriteError,
                            ZipTexts::cannotWrite(m_fileName, writeReport->error.isEmpty() ? why : writeReport->error));
    } else {
        m_successCount = static_cast<int>(planned.size() + folders.size());
        report(ZipCode::Info, ZipTexts::added(m_successCount, m_fileName));
    }
    emit OnProgress(EndOfBatch, QString(), 0);
    return result;
}

// ------------------------------------------------------------------------------------ Extract

bool ZipMaster::entryMatches(const QString& name) const
{
    if (m_specs.isEmpty())
        return true;
    if (m_extrOptions & ExtrExactNames)
        return m_specs.contains(name);
    const QString fileName = name.section(QLatin1Char('/'), -1);
    for (const QString& raw : m_specs) {
        const QString spec = ZipPaths::normalisedEntryName(raw.trimmed());
        if (spec.isEmpty())
            continue;
        const DosMask mask(spec);
        if (mask.matches(name))
            return true;
        if (!spec.contains(QLatin1Char('/')) && mask.matches(fileName))
            return true;
    }
    return false;
}

int ZipMaster::Extract()
{
    if (m_busy)
        return ZipCode::Busy; // refused quietly: the running operation keeps its state
    BusyScope busy(*this);
    return extractEntries(m_extrOptions & ExtrTest);
}

int ZipMaster::Test()
{
    if (m_busy)
        return ZipCode::Busy; // refused quietly: the running operation keeps its state
    BusyScope busy(*this);
    return extractEntries(true);
}

int ZipMaster::extractEntries(bool testOnly)
{
    const QString archive = nativeArchive();
    if (archive.isEmpty())
        return report(ZipCode::NoArchiveName, ZipTexts::noArchiveName());
    if (!QFileInfo::exists(archive))
        return report(ZipCode::BadArchive, ZipTexts::badArchive(m_fileName, QStringLiteral("file not found")));
    // The directory is read on its own first: each entry's local header is compared with its
    // directory record before the entry is trusted.
    QFile archiveFile(archive);
    if (!archiveFile.open(QIODevice::ReadOnly))
        return report(ZipCode::BadArchive, ZipTexts::badArchive(m_fileName, archiveFile.errorString()));
    const auto layout = ZipDirectory::read(archiveFile);
    if (!layout)
        return report(ZipCode::BadArchive, ZipTexts::badArchive(m_fileName, layout.status().message()));
    QList<ZipDirectory::Record> records;
    {
        ZipDirectory::Walker walker(layout->directory);
        ZipDirectory::Record record;
        while (walker.next(record))
            records.append(record);
    }
    int openError = 0;
    zip_t* za = ZipReadSource::open(archive, &openError);
    if (!za) {
        zip_error_t error;
        zip_error_init_with_code(&error, openError);
        const QString why = libzipError(&error);
        zip_error_fini(&error);
        return report(ZipCode::BadArchive, ZipTexts::badArchive(m_fileName, why));
    }
    if (records.size() != zip_get_num_entries(za, 0)) {
        zip_discard(za);
        return report(ZipCode::BadArchive, ZipTexts::badArchive(m_fileName, QStringLiteral("entry count differs from the directory")));
    }

    QString base;
    if (!testOnly) {
        base = ZipPaths::toNative(m_extrBaseDir);
        if (base.isEmpty())
            base = QDir::currentPath();
        base = QDir::cleanPath(QDir::current().absoluteFilePath(base));
        QDir().mkpath(base);
    }
    const bool dirNames = m_extrOptions & ExtrDirNames;
    const bool overwrite = m_extrOptions & ExtrOverWrite;

    struct Item
    {
        zip_uint64_t index;
        QString name;
        zip_stat_t st;
    };
    QList<Item> items;
    qint64 total = 0;
    // Exact names are looked up in a set: a self-extractor passes every name it extracts.
    const bool exactNames = (m_extrOptions & ExtrExactNames) && !m_specs.isEmpty();
    const QSet<QString> chosen = exactNames ? QSet<QString>(m_specs.cbegin(), m_specs.cend()) : QSet<QString>();
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        Item item;
        item.index = static_cast<zip_uint64_t>(i);
        if (zip_stat_index(za, item.index, 0, &item.st) != 0)
            continue;
        item.name = QString::fromUtf8(item.st.name);
        if (exactNames ? !chosen.contains(item.name) : !entryMatches(item.name))
            continue;
        total += static_cast<qint64>(item.st.size);
        items.append(item);
    }
    emit OnProgress(TotalFiles2Process, QString(), items.size());
    emit OnProgress(TotalSize2Process, QString(), total);

    QByteArray password = m_password.toUtf8();
    bool asked = !m_password.isEmpty();
    std::vector<char> buffer(static_cast<std::size_t>(ExtractBlock));
    bool cancelled = false;
    QList<qsizetype> unsynced; // indexes in items of the files written with a later sync
    for (const Item& item : items) {
        if (!keepGoing()) {
            cancelled = true;
            break;
        }
        const bool isFolder = item.name.endsWith(QLatin1Char('/'));
        // A name matters only where a file is written.
        if (!testOnly && ZipPaths::isUnsafeEntryName(item.name)) {
            report(ZipCode::UnsafeName, ZipTexts::unsafeName(item.name));
            continue;
        }
        const QString relative = ZipPaths::normalisedEntryName(item.name);
        const QString mismatch = ZipDirectory::localHeaderMismatch(archiveFile, *layout, records.at(item.index));
        if (!mismatch.isEmpty()) {
            report(ZipCode::DamagedEntry, ZipTexts::damagedEntry(item.name, mismatch));
            continue;
        }
        if (isFolder) {
            // A folder holds no data: its good headers are all a test can check.
            if (testOnly)
                ++m_successCount;
            else if (dirNames)
                QDir(base).mkpath(relative);
            continue;
        }
        QString target;
        if (!testOnly) {
            target = dirNames ? base + QLatin1Char('/') + relative : base + QLatin1Char('/') + relative.section(QLatin1Char('/'), -1);
            if (QFileInfo::exists(target) && !overwrite) {
                report(ZipCode::Info, ZipTexts::skippedExisting(ZipPaths::toDisplay(target)));
                continue;
            }
        }
        emit OnProgress(NewFile, item.name, static_cast<qint64>(item.st.size));

        const bool encrypted = item.st.encryption_method != ZIP_EM_NONE;
        // An encryption this library cannot read (the strong-encryption flag, unknown methods) is
        // refused before it is opened: opening it would fail anyway, and not cleanly.
        if (encrypted && !zip_encryption_method_supported(item.st.encryption_method, 0)) {
            report(ZipCode::DamagedEntry, ZipTexts::damagedEntry(item.name, QStringLiteral("encryption method not supported")));
            continue;
        }
        if (encrypted && !asked) {
            asked = true;
            if (const auto answer = dialogs().password(ZipTexts::passwordCaption(), ZipTexts::extractPasswordPrompt(item.name)))
                password = answer->toUtf8();
        }
        if (encrypted && password.isEmpty()) {
            report(ZipCode::WrongPassword, ZipTexts::wrongPassword(item.name));
            continue;
        }
        zip_file_t* zf = zip_fopen_index_encrypted(za, item.index, 0, encrypted ? password.constData() : nullptr);
        if (!zf) {
            const int code = zip_error_code_zip(zip_get_error(za));
            if (code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_NOPASSWD)
                report(ZipCode::WrongPassword, ZipTexts::wrongPassword(item.name));
            else
                report(ZipCode::DamagedEntry, ZipTexts::damagedEntry(item.name, QString::fromLocal8Bit(zip_strerror(za))));
            zip_error_clear(za);
            continue;
        }

        // Written beside the target and renamed when complete, so that a damaged entry or a
        // cancel never leaves half a file in place of an existing one.
        std::unique_ptr<AtomicFile> out;
        const auto createOutput = [&]() {
            out = std::make_unique<AtomicFile>(target);
            // New files are synced together once the batch is done (a file that replaces an old
            // one is synced at once), so that thousands of small files cost one sync.
            out->setSync(AtomicFile::Sync::Later);
            Status opened = out->open();
            // A link already in the destination is followed only while it stays below the base.
            if (opened && QFileInfo(target).isSymLink()) {
                const QString folder = QFileInfo(base).canonicalFilePath();
                const QString landing = QFileInfo(QFileInfo(out->targetPath()).absolutePath()).canonicalFilePath();
                if (landing != folder && !landing.startsWith(folder + QLatin1Char('/')))
                    opened = Status(EPERM, QStringLiteral("a link leads outside the destination folder"));
            }
            if (!opened) {
                out->discard();
                report(ZipCode::CreateError, ZipTexts::cannotCreate(ZipPaths::toDisplay(target), opened.message()));
            }
            return opened.isOk();
        };
        if (!testOnly) {
            QDir().mkpath(QFileInfo(target).absolutePath());
            if (!createOutput()) {
                zip_fclose(zf);
                continue;
            }
        }
        bool good = true;
        // libzip refuses AES entries written without a CRC (by other programs) with a false CRC
        // error; those are read again by our own AES reader, which checks their authentication code.
        std::unique_ptr<WinZipAesReader> aes;
        bool retried = false;
        for (;;) {
            const zip_int64_t n = aes ? aes->read(buffer.data(), static_cast<qint64>(buffer.size()))
                                      : zip_fread(zf, buffer.data(), buffer.size());
            if (n < 0 && !aes && !retried && WinZipAesReader::applies(item.st)
                && zip_error_code_zip(zip_file_get_error(zf)) == ZIP_ER_CRC) {
                retried = true;
                aes = std::make_unique<WinZipAesReader>();
                if (out)
                    out->discard();
                if (aes->open(za, item.index, item.st, password) == WinZipAesReader::Outcome::Ok
                    && (!out || createOutput())) {
                    emit OnProgress(NewFile, item.name, static_cast<qint64>(item.st.size));
                    continue;
                }
            }
            if (n < 0) {
                const int code = aes ? 0 : zip_error_code_zip(zip_file_get_error(zf));
                if (aes && aes->outcome() == WinZipAesReader::Outcome::WrongPassword)
                    report(ZipCode::WrongPassword, ZipTexts::wrongPassword(item.name));
                else if (aes && aes->outcome() == WinZipAesReader::Outcome::Damaged)
                    report(ZipCode::DamagedEntry, ZipTexts::damagedEntry(item.name, QStringLiteral("authentication failed")));
                else if (aes)
                    report(ZipCode::AesCrcUnverifiable, ZipTexts::aesCrcUnverifiable(item.name));
                else if (code == ZIP_ER_WRONGPASSWD)
                    report(ZipCode::WrongPassword, ZipTexts::wrongPassword(item.name));
                else
                    report(ZipCode::DamagedEntry, ZipTexts::damagedEntry(item.name, QString::fromLocal8Bit(zip_file_strerror(zf))));
                good = false;
                break;
            }
            if (n == 0)
                break;
            if (out && !out->write(buffer.data(), n))
                break; // reported when the file is committed
            
            emit OnProgress(ProgressUpdate, item.name, n);
            if (!keepGoing()) {
                cancelled = true;
                good = false;
                break;
            }
        }
        aes.reset();
        zip_fclose(zf);
        if (out) {
            // An existing file is replaced only by an entry extracted whole.
            if (good) {
                if (const Status committed = out->commit(); !committed) {
                    report(ZipCode::CreateError, ZipTexts::cannotCreate(ZipPaths::toDisplay(target), committed.message()));
                    good = false;
                }
            }
            if (!good) {
                out->discard();
            } else {
                unsynced.append(&item - items.constData());
                setModificationTime(target, item.st.mtime);
                zip_uint8_t system = 0;
                zip_uint32_t attributes = 0;
                if (zip_file_get_external_attributes(za, item.index, 0, &system, &attributes) == 0
                    && system == ZIP_OPSYS_UNIX && ((attributes >> 16) & 0777) != 0)
                    ::chmod(QFile::encodeName(target).constData(), (attributes >> 16) & 0777);
            }
        }
        if (good)
            ++m_successCount;
        if (cancelled)
            break;
    }
    zip_discard(za);
    // One sync for the files written above; should it fail, none of them counts as extracted.
    if (!unsynced.isEmpty()) {
        if (const Status synced = AtomicFile::syncFileSystem(base); !synced) {
            for (const qsizetype i : std::as_const(unsynced))
                report(ZipCode::CreateError, ZipTexts::cannotCreate(ZipPaths::toDisplay(items.at(i).name), synced.message()));
            m_successCount -= static_cast<int>(unsynced.size());
        }
    }
    if (cancelled)
        report(ZipCode::Info, ZipTexts::cancelled());
    else
        report(ZipCode::Info, testOnly ? ZipTexts::tested(m_successCount, static_cast<int>(items.size()))
                                       : ZipTexts::extracted(m_successCount));
    emit OnProgress(EndOfBatch, QString(), 0);
    return m_errorCode;
}

// ------------------------------------------------------------------------------------- Delete

int ZipMaster::Delete()
{
    if (m_busy)
        return ZipCode::Busy; // refused quietly: the running operation keeps its state
    BusyScope busy(*this);
    const QString archive = nativeArchive();
    if (archive.isEmpty())
        return report(ZipCode::NoArchiveName, ZipTexts::noArchiveName());
    if (!QFileInfo(archive).isFile())
        return report(ZipCode::BadArchive, ZipTexts::badArchive(m_fileName, QStringLiteral("file not found")));
    if (isSelfExtracting(archive))
        return report(ZipCode::WriteError, ZipTexts::sfxReadOnlyUpdate(m_fileName));
    if (m_specs.isEmpty()) {
        refreshContents();
        return 0; // no specification deletes nothing
    }
    const QString absolute = QFileInfo(archive).absoluteFilePath();
    const DriveRoom room = roomFor(absolute);
    auto writeReport = std::make_shared<ArchiveWriteReport>();
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = ArchiveFileSource::create(absolute, room.free, writeReport, &error);
    zip_t* za = source ? zip_open_from_source(source, 0, &error) : nullptr;
    if (!za) {
        const QString why = libzipError(&error);
        if (source)
            zip_source_free(source);
        zip_error_fini(&error);
        return report(ZipCode::BadArchive, ZipTexts::badArchive(m_fileName, why));
    }
    zip_error_fini(&error);

    QStringList names;
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(za, static_cast<zip_uint64_t>(i), 0);
        const QString name = raw ? QString::fromUtf8(raw) : QString();
        if (raw && entryMatches(name) && zip_delete(za, static_cast<zip_uint64_t>(i)) == 0)
            names.append(name);
    }
    emit OnProgress(TotalFiles2Process, QString(), names.size());
    emit OnProgress(TotalSize2Process, QString(), 0);
    int result = 0;
    if (names.isEmpty()) {
        zip_discard(za);
    } else if (room.readOnly) {
        zip_discard(za);
        result = report(ZipCode::WriteError, ZipTexts::cannotWrite(m_fileName, QStringLiteral("read-only medium")));
    } else {
        for (const QString& name : names)
            emit OnProgress(NewFile, name, 0);
        zip_register_cancel_callback_with_state(
            za, [](zip_t*, void* state) { return static_cast<ZipMaster*>(state)->keepGoing() ? 0 : 1; }, nullptr, this);
        if (zip_close(za) != 0) {
            const QString why = QString::fromLocal8Bit(zip_strerror(za));
            zip_discard(za);
            if (m_cancel)
                report(ZipCode::Info, ZipTexts::cancelled());
            else if (writeReport->diskFull)
                result = report(ZipCode::DiskFull, ZipTexts::diskFull(m_fileName));
            else
                result = report(ZipCode::WriteError, ZipTexts::cannotWrite(m_fileName, why));
        } else {
            m_successCount = static_cast<int>(names.size());
            report(ZipCode::Info, ZipTexts::deleted(m_successCount));
        }
    }
    emit OnProgress(EndOfBatch, QString(), 0);
    refreshContents();
    return result;
}

// ------------------------------------------------------------------------------------ Comment

int ZipMaster::setZipComment(const QString& comment)
{
    const QString archive = nativeArchive();
    if (m_busy)
        return ZipCode::Busy; // refused quietly: the running operation keeps its state
    if (archive.isEmpty() || !QFileInfo(archive).isFile()) {
        m_comment = comment;
        return 0;
    }
    refreshContents();
    if (m_comment == comment)
        return 0;
    if (isSelfExtracting(archive))
        return report(ZipCode::WriteError, ZipTexts::sfxReadOnlyUpdate(m_fileName));
    BusyScope busy(*this);
    const QString absolute = QFileInfo(archive).absoluteFilePath();
    auto writeReport = std::make_shared<ArchiveWriteReport>();
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = ArchiveFileSource::create(absolute, roomFor(absolute).free, writeReport, &error);
    zip_t* za = source ? zip_open_from_source(source, 0, &error) : nullptr;
    if (!za) {
        const QString why = libzipError(&error);
        if (source)
            zip_source_free(source);
        zip_error_fini(&error);
        return report(ZipCode::BadArchive, ZipTexts::badArchive(m_fileName, why));
    }
    zip_error_fini(&error);
    const QByteArray text = comment.toUtf8().left(0xFFFF);
    int result = 0;
    if (zip_set_archive_comment(za, text.isEmpty() ? nullptr : text.constData(), static_cast<zip_uint16_t>(text.size())) != 0
        || zip_close(za) != 0) {
        const QString why = QString::fromLocal8Bit(zip_strerror(za));
        zip_discard(za);
        result = report(writeReport->diskFull ? ZipCode::DiskFull : ZipCode::WriteError,
                        writeReport->diskFull ? ZipTexts::diskFull(m_fileName) : ZipTexts::cannotWrite(m_fileName, why));
    }
    refreshContents();
    return result;
}

// -------------------------------------------------------------------------------- Conversions

int ZipMaster::ConvertSFX()
{
    return convert(QStringLiteral("zip"), QStringLiteral("exe"), [this](const QString& source, const QString& target) {
        QString stub = ZipPaths::toNative(m_sfxPath);
        if (!QFileInfo(stub).isAbsolute() || !QFileInfo(stub).isFile())
            stub = ProgramFolder::findAsset(QFileInfo(m_sfxPath).fileName());
        if (stub.isEmpty())
            return Status(ZipCode::StubMissing, ZipTexts::stubMissing(QFileInfo(m_sfxPath).fileName()));
        return SfxFormat::makeSelfExtracting(source, stub, m_sfx, target);
    });
}

int ZipMaster::ConvertZIP()
{
    return convert(QStringLiteral("exe"), QStringLiteral("zip"),
                   [](const QString& source, const QString& target) { return SfxFormat::makeZip(source, target); });
}

// Both conversions: the source is written anew under the target suffix, and removed only when
// the writing succeeded.
int ZipMaster::convert(const QString& sourceSuffix, const QString& targetSuffix,
                       const std::function<Status(const QString&, const QString&)>& write)
{
    if (m_busy)
        return ZipCode::Busy; // refused quietly: the running operation keeps its state
    BusyScope busy(*this);
    const QString archive = nativeArchive();
    if (archive.isEmpty())
        return report(ZipCode::NoArchiveName, ZipTexts::noArchiveName());
    const QFileInfo info(archive);
    const QString base = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('.');
    const QString target = base + targetSuffix;
    // The archive named is the source, unless it names the result: then its twin is.
    const QString source =
        info.suffix().compare(targetSuffix, Qt::CaseInsensitive) == 0 ? base + sourceSuffix : archive;
    if (!QFileInfo(source).isFile())
        return report(ZipCode::BadArchive, ZipTexts::badArchive(ZipPaths::toDisplay(source), QStringLiteral("file not found")));
    if (!m_convertReplaces && QFileInfo::exists(target))
        return report(ZipCode::TargetExists, ZipTexts::targetExists(ZipPaths::toDisplay(target)));
    const Status status = write(source, target);
    if (!status)
        return report(status.code(), status.message());
    QFile::remove(source);
    m_successCount = 1;
    return 0;
}

// --------------------------------------------------------------------------------------- Copy

int ZipMaster::CopyFile(const QString& source, const QString& target)
{
    if (m_busy)
        return CopyResult::General;
    BusyScope busy(*this);
    const QString from = ZipPaths::toNative(source);
    const QString to = ZipPaths::toNative(target);
    if (from.isEmpty() || !QFileInfo(from).isFile())
        return CopyResult::InvalidSource;
    {
        int error = 0;
        zip_t* za = zip_open(QFile::encodeName(from).constData(), ZIP_RDONLY, &error);
        if (!za)
            return CopyResult::InvalidSource;
        zip_discard(za);
    }
    if (to.isEmpty())
        return CopyResult::CannotCreate;
    const QFileInfo targetInfo(QDir::current().absoluteFilePath(to));
    const QString folder = targetInfo.absolutePath();
    if (!QFileInfo(folder).isDir() || targetInfo.isDir())
        return CopyResult::CannotCreate;
    // A copy killed earlier may have left its hidden temporary file on the medium, taking room.
    AtomicFile::removeStaleTemporaries(folder);
    const DriveRoom room = roomFor(targetInfo.absoluteFilePath());
    if (room.readOnly)
        return CopyResult::CannotCreate;
    const qint64 size = QFileInfo(from).size();
    // Replacing an existing target frees its room when the copy is committed, but the copy is
    // written beside it first, so the whole size must fit.
    if (room.free >= 0 && room.free < size)
        return CopyResult::ReadWriteError;

    // The copy is written whole beside the target and replaces it only when complete; a link is
    // followed to the file it names, anything else that is not a regular file is refused.
    AtomicFile out(targetInfo.absoluteFilePath());
    if (!out.open())
        return CopyResult::CannotCreate;
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat sourceInfo;
    if (in < 0 || ::fstat(in, &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode)) {
        if (in >= 0)
            ::close(in);
        return CopyResult::ReadWriteError;
    }
    auto abandon = [&](int code) {
        ::close(in);
        out.discard();
        return code;
    };
    std::vector<char> buffer(static_cast<std::size_t>(CopyBlock));
    qint64 copied = 0;
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return abandon(CopyResult::ReadWriteError);
        }
        if (n == 0)
            break;
        if (room.free >= 0 && copied + n > room.free)
            return abandon(CopyResult::ReadWriteError);
        if (!out.write(buffer.data(), n))
            return abandon(CopyResult::ReadWriteError);
        copied += n;
        if (!keepGoing())
            return abandon(CopyResult::General);
    }
    ::close(in);
    struct timespec times[2];
    times[0].tv_sec = sourceInfo.st_mtime;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    ::futimens(out.handle(), times);
    if (!out.commit())
        return CopyResult::ReadWriteError;
    ::chmod(QFile::encodeName(out.targetPath()).constData(), sourceInfo.st_mode & 0777);
    return CopyResult::Ok;
}

// ----------------------------------------------------------------------------------- Password

QString ZipMaster::GetAddPassword()
{
    const auto first = dialogs().password(ZipTexts::passwordCaption(), ZipTexts::passwordPrompt());
    if (!first || first->isEmpty())
        return {};
    const auto second = dialogs().password(ZipTexts::passwordCaption(), ZipTexts::passwordConfirmPrompt());
    if (!second || *second != *first) {
        dialogs().message(MessageKind::Information, ZipTexts::passwordsDiffer());
        return {};
    }
    setPassword(*first);
    return m_password;
}

} // namespace ksv
