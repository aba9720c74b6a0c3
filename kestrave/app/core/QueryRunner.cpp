#include "QueryRunner.h"

#include "ArchiveStatistics.h"
#include "Clock.h"
#include "Dialogs.h"
#include "DiskSpaceKludge.h"
#include "Drives.h"
#include "FileFind.h"
#include "IniFile.h"
#include "MediumCopy.h"
#include "NativePath.h"
#include "OldArchivePurge.h"
#include "PackageFiles.h"
#include "PackageLaunchers.h"
#include "PackagePaths.h"
#include "PackageStrings.h"
#include "PackageSystem.h"
#include "PackageTime.h"
#include "PermanentPassword.h"
#include "PlatformEnvironment.h"
#include "RunState.h"
#include "RunView.h"
#include "RunnerConstants.h"
#include "RunnerStartup.h"
#include "RunnerTexts.h"
#include "SelfExtractorSettings.h"
#include "SystemActions.h"
#include "WorkFolderLocks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QThread>

namespace ksv {

using namespace RunnerTexts;

namespace {

// The folder part of a DOS path (up to and with its last "\"), empty without one.
QString folderPart(const QString& path)
{
    const qsizetype at = path.lastIndexOf(QLatin1Char('\\'));
    return at < 0 ? QString() : path.left(at + 1);
}

// The file name of a DOS or native path.
QString fileNamePart(const QString& path)
{
    const qsizetype at = qMax(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(at + 1);
}

bool nativeExists(const QString& dosPath)
{
    const QString native = NativePath::of(dosPath);
    return !native.isEmpty() && QFileInfo::exists(native);
}

bool isRemovable(const QString& destination)
{
    return !destination.isEmpty() && driveServices().driveType(destination.at(0).toUpper()) == DriveType::Removable;
}

} // namespace

QueryRunner::QueryRunner(RunView& view, RunState& state, IniFile& settings, const RunnerPaths& paths,
                         QString argument, QObject* parent)
    : QObject(parent), m_view(view), m_state(state), m_settings(settings), m_paths(paths),
      m_argument(std::move(argument))
{
    // The work folder in DOS form when a drive holds the program folder, else native.
    m_workFolder = !DosPath::isDosAbsolute(paths.programFolderDos)
                       ? paths.workFolder
                       : paths.programFolderDos + RunnerConstants::workFolderName() + QLatin1Char('\\');
    connect(&m_zip, &ZipMaster::OnProgress, this, &QueryRunner::ZipMaster1Progress);
    connect(&m_zip, &ZipMaster::OnMessage, this, &QueryRunner::ZipMaster1Message);
    m_zip.setIdleHandler([this] { letEventsRun(); });
    m_zip.setSFXPath(QStringLiteral("ZipSFX.bin"));
    m_eventsClock.start();
    m_repaintClock.start();
}

QueryRunner::~QueryRunner() = default;

void QueryRunner::log(const QString& line)
{
    m_view.appendLog(line);
}

void QueryRunner::letEventsRun()
{
    // The window stays alive during long work, without spending the work's time repainting.
    if (m_eventsClock.elapsed() < 100)
        return;
    m_eventsClock.restart();
    m_view.processEvents();
}

bool QueryRunner::setCurrentFolder(const QString& dosFolder)
{
    const QString native = NativePath::of(dosFolder);
    return !native.isEmpty() && QDir::setCurrent(native);
}

// ------------------------------------------------------------------------------------------
// Loading a query.

void QueryRunner::LoadSetNbSection(const QString& section)
{
    m_query.fromQueryFile = false;
    m_query.section = section;
    const NumberedQuery numbered = NumberedQuery::load(m_settings.snapshot(), section, m_query.options);
    m_query.dataFolder = numbered.dataFolder;
    m_query.label = numbered.label;
    if (numbered.empty)
        return;
    m_query.exclusionText = numbered.exclusionText;
    m_query.comment = m_query.options.note;
    m_view.setDataPathHint(m_query.comment);
    m_view.showQuery(m_query);
}

void QueryRunner::fillIncludeList()
{
    // A numbered query without a data folder names nothing to save: its list stays empty (and
    // the zip component reports that no archive was made), rather than saving whatever folder
    // the program happens to run in.
    if (m_query.dataFolder.isEmpty())
        return;
    if (m_query.options.storepath) {
        m_state.includeList.append(m_query.label);
    } else if (setCurrentFolder(m_query.dataFolder)) {
        m_state.includeList.append(fileNamePart(m_query.label));
    } else {
        // The data folder cannot be entered: the mask alone would be read in whatever folder
        // the program runs in. The full path lets the zip component report the missing files.
        m_state.includeList.append(m_query.label);
    }
}

void QueryRunner::OneRequete(const QString& section)
{
    m_allRun = false;
    LoadSetNbSection(section);
    log(RunnerStartup::runQueryHeader(Clock::now(), section));
    fillIncludeList();
    const QStringList items = exclusionItems(m_query.exclusionText, m_query.options.storepath, m_query.dataFolder);
    m_state.excludeList.append(items);
    log(inclusionFilterLine(m_query.label));
    log(exclusionFilterLine(m_query.exclusionText));
    m_view.showDestination(m_query.options.dest);
    m_view.showWindow();
    m_view.pointAtDataPath();
    GoForZip();
    if (!m_view.endRequested())
        InfosErreurs();
}

void QueryRunner::AllArchives()
{
    m_allRun = true;
    log(RunnerStartup::runAllHeader(Clock::now()));
    m_view.showWindow();
    m_view.processEvents();
    m_view.pointAtDataPath();
    m_view.animation(runAnimation(), true);
    for (int n = QueryKeys::FirstNumberedQuery; n <= QueryKeys::LastNumberedQuery; ++n) {
        if (m_view.endRequested() || m_state.userCancel)
            break;
        LoadSetNbSection(QString::number(n));
        const QString data = NativePath::of(m_query.dataFolder);
        if (m_query.dataFolder.isEmpty() || data.isEmpty() || !QFileInfo(data).isDir())
            continue;
        m_state.includeList.clear();
        fillIncludeList();
        GoForZip();
    }
    m_view.animation(runAnimation(), false);
    m_view.setDataPath(allQueriesDataPath());
    m_view.setTarget(allQueriesTarget());
    m_view.setInfo(dataSavingFinished());
    m_view.setCaption(allQueriesEndCaption());
    if (m_view.errorCount() > 0 || m_view.inUseCount() > 0) {
        m_view.showErrorAnimation();
        m_view.clearAutoClose();
        m_view.widen();
        if (m_view.inUseCount() > 0)
            m_view.setFinalInfos(filesInUseWarning());
        if (m_view.errorCount() > 0)
            m_view.setFinalInfos(identifyCorruptArchive());
        m_view.setInfo(incompleteBackup());
        m_view.setCaption(allQueriesErrorCaption());
        m_view.setFileCount(QString());
    }
}

void QueryRunner::FichierKsv(const QString& argument)
{
    m_allRun = false;
    QString path = GetShellPathName(argument);
    if (!path.contains(QLatin1Char('.')))
        path += QStringLiteral(".KSV");
    log(RunnerStartup::runKsvHeader(Clock::now(), path));

    const QString native = NativePath::of(path);
    m_queryFile = std::make_unique<IniFile>(native.isEmpty() ? path : native);
    m_query = CurrentQuery{};
    m_query.fromQueryFile = true;
    m_query.queryFilePath = path;
    m_query.label = queryFileLabel(fileNamePart(path));

    const QueryFile file = QueryFile::load(m_queryFile->snapshot());
    m_query.options = file.options;
    m_query.comment = file.options.note;
    m_query.appName = file.nameExeKsv;
    m_query.appFolder = file.patchExeKsv;
    m_query.toRun = file.toRun;
    m_query.toDel = file.toDel;
    m_view.setDataPathHint(m_query.comment);
    m_view.showQuery(m_query);
    m_state.includeList = file.addLines;
    m_state.excludeList = file.excLines;

    m_view.showWindow();
    if (!m_query.appName.isEmpty() && m_query.appFolder.isEmpty())
        FindExePatchAllDrive();
    // The user quit while the folder was being chosen: nothing more is done.
    if (m_view.endRequested())
        return;
    if (!m_query.toRun.isEmpty()) {
        const QString program = NativePath::of(m_query.toRun);
        if (!program.isEmpty() && QFileInfo(program).isFile())
            WinExecAndWait32(m_query.toRun, 1, true);
    }
    m_state.includeList = resolveEntryLines(m_state.includeList, m_query.appFolder);
    m_state.excludeList = resolveEntryLines(m_state.excludeList, m_query.appFolder);

    m_view.showDestination(m_query.options.dest);
    m_view.pointAtDataPath();
    GoForZip();
    if (!m_view.endRequested())
        InfosErreurs();
}

// ------------------------------------------------------------------------------------------
// The application folder of a query file.

namespace {
QueryRunner::ChoiceDriver applicationChoiceDriver = QueryRunner::ChoiceDriver::ByEnvironment;
} // namespace

void QueryRunner::setApplicationChoiceDriver(ChoiceDriver driver)
{
    applicationChoiceDriver = driver;
}

void QueryRunner::FindExePatchAllDrive()
{
    m_state.pathChosen = false;
    m_view.setErrorListCaption(applicationFoldersCaption());
    m_view.setInfo(applicationSearchInfo());
    m_view.widen();
    m_view.clearErrorList();

    int matches = 0;
    // One folder can be reached through two drives (a drive whose root lies inside another's):
    // it is offered once.
    QSet<QString> seen;
    TFileSearch search;
    search.RecurseSubFolders = true;
    search.processEvents = [this, &search] {
        letEventsRun();
        if (m_view.endRequested())
            search.Stop = true; // the program was quit: the search ends at once
    };
    search.OnChangeFolder = [this](const QString& folder, const TSearchRec&) { m_view.setZippedFile(folder); };
    // The event names the folder of the match, with its trailing backslash.
    search.OnFileFind = [this, &matches, &seen](const QString& matchFolder, const TSearchRec&) {
        const QString folder = RemoveSlash(matchFolder);
        const QString native = QFileInfo(NativePath::of(matchFolder)).canonicalFilePath();
        if (!native.isEmpty() && seen.contains(native))
            return;
        seen.insert(native);
        m_view.addErrorLine(folder);
        m_query.appFolder = folder;
        ++matches;
    };
    for (char16_t letter = u'C'; letter <= u'Z'; ++letter) {
        if (m_view.endRequested())
            break;
        if (driveServices().driveType(QChar(letter)) == DriveType::NoRootDir)
            continue;
        search.setSearchFile(QString(QChar(letter)) + QStringLiteral(":\\") + m_query.appName);
        search.Execute();
    }

    if (matches == 0) {
        dialogs().message(MessageKind::Information, applicationNotFound(), {Button::Ok});
        m_state.pathChosen = true;
        m_view.setInfo(QStringLiteral(" "));
        m_view.setZippedFile(QString());
        return;
    }
    if (matches == 1) {
        m_state.pathChosen = true;
    } else {
        m_view.setInfo(applicationChooseInfo());
        dialogs().message(MessageKind::Information, applicationSeveralFolders(), {Button::Ok});
        // Nobody is there to choose in a scripted or unattended run: the last folder found stays.
        if (applicationChoiceDriver == ChoiceDriver::ByEnvironment && dialogsAreScripted())
            m_state.pathChosen = true;
    }
    m_awaitingChoice = !m_state.pathChosen;
    while (!m_state.pathChosen && !m_view.endRequested()) {
        m_view.processEvents();
        QThread::msleep(10);
    }
    m_awaitingChoice = false;

    // A folder nobody confirmed (the program was quit meanwhile) is not stored.
    if (m_queryFile && m_state.pathChosen)
        m_queryFile->writeString(QueryKeys::Application, QueryKeys::PatchExeKsv, m_query.appFolder);
    m_view.clearErrorList();
    m_view.setInfo(QStringLiteral(" "));
    m_view.setZippedFile(QString());
}

bool QueryRunner::chooseApplicationFolder(const QString& line)
{
    if (line.isEmpty() || !m_argument.contains(QLatin1String(".KSV"), Qt::CaseInsensitive))
        return false;
    m_query.appFolder = line;
    const Button answer =
        dialogs().message(MessageKind::Information, applicationFolderSelected(line), {Button::Ok, Button::Cancel});
    m_state.pathChosen = answer == Button::Ok;
    return true;
}

// ------------------------------------------------------------------------------------------
// One archive.

void QueryRunner::GoForZip()
{
    if (!m_allRun)
        m_view.animation(runAnimation(), true);
    m_zip.setSFXIcon(m_view.sfxIcon(m_query.options.iconame, m_query.options.effectiveIconIndex()));

    QString destination = AppendSlash(m_query.options.dest.isEmpty() ? QStringLiteral("C:\\") : m_query.options.dest);
    m_removable = isRemovable(destination);
    {
        MediumCopy medium(copyHost());
        medium.rotatingSet = m_state.settings.general.DskTurnGame;
        medium.VerifPresenceDskSinonDD(destination);
    }
    m_query.options.dest = destination;
    m_removable = isRemovable(destination);

    const QString nativeDestination = NativePath::of(destination);
    if (nativeDestination.isEmpty() || !QFileInfo(nativeDestination).isDir()) {
        if (!nativeDestination.isEmpty() && QDir().mkpath(nativeDestination))
            log(createDirOk(destination));
        else
            log(createDirFailed(destination));
    }

    m_fileCounter = 0;
    m_totalFiles = 0;
    m_totalSize = 0;
    m_doneSize = 0;
    m_filesProcessed = 0;
    m_lastZipError = 0;
    m_view.setZippedFile(QString());
    m_view.setFinalInfos(QString());

    const QString archiveFile = MakeArchName(QStringLiteral("\\") + m_query.options.arch, m_query.options.sfx, true);
    const QString base = archiveFile.left(archiveFile.size() - 4);
    m_workArchive = m_workFolder + base + QStringLiteral(".zip");
    m_workTwin = m_workFolder + base + QStringLiteral(".exe");
    m_targetPath = destination + Jour(m_state.settings.general.dm, m_query.options.date) + archiveFile;
    m_view.setDataPath(m_query.label);
    m_view.setTarget(m_targetPath);

    if (m_allRun && !nativeExists(folderPart(m_query.label)))
        return;

    // The program was quit during the medium check: no archive is started.
    if (m_view.endRequested())
        return;
    m_view.nudgeMouse();

    // Another run building an archive of the same name would write over this one's work
    // archive: the two take turns.
    const QString baseName = fileNamePart(base);
    WorkArchiveLock archiveLock;
    const bool reserved = archiveLock.acquire(
        m_paths.workFolder, baseName, [this] { return !m_view.endRequested() && !m_state.userCancel; },
        [this, &baseName] { log(waitingForWorkArchive(baseName)); },
        [this] {
            m_view.processEvents();
            QThread::msleep(200);
        });
    if (!reserved) {
        if (!m_view.endRequested()) {
            const QString line = workArchiveNotLocked(baseName, archiveLock.errorText());
            m_view.addErrorLine(line);
            log(line);
        }
        if (!m_allRun)
            m_view.animation(runAnimation(), false);
        return;
    }

    if (!m_query.options.update) {
        QFile::remove(NativePath::of(m_workArchive));
        QFile::remove(NativePath::of(m_workTwin));
    }

    Zippage();
    RatioFilesStatusBar();
    if (!m_buildOk) {
        // Whatever lies in the work folder now is not today's archive (with update, it is the
        // one of the last run): nothing is copied and nothing is erased at the destination.
        const QString line = buildFailed(fileNamePart(m_workArchive));
        m_view.addErrorLine(line);
        log(line);
    } else if (!m_view.endRequested()) {
        copyAndPurge(destination);
    }

    if (m_query.options.update && nativeExists(m_workTwin)) {
        m_zip.setFileName(m_workTwin);
        m_zip.ConvertZIP();
    }
    if (!m_allRun)
        m_view.animation(runAnimation(), false);
}

MediumCopyHost QueryRunner::copyHost()
{
    MediumCopyHost host;
    host.appendLog = [this](const QString& line) { log(line); };
    host.addErrorLine = [this](const QString& line) { m_view.addErrorLine(line); };
    host.addProcessLine = [this](const QString& line) { m_view.addProcessLine(line); };
    host.setCaption = [this](const QString& text) { m_view.setCaption(text); };
    host.setInfo = [this](const QString& text) { m_view.setInfo(text); };
    host.setFinalInfos = [this](const QString& text) { m_view.setFinalInfos(text); };
    host.setExploHint = [this](const QString& text) { m_view.setExploHint(text); };
    host.destinationChanged = [this](const QString& destination) {
        m_query.options.dest = destination;
        m_view.showDestination(destination);
    };
    host.copyFile = [this](const QString& source, const QString& target) { return m_zip.CopyFile(source, target); };
    host.spanFile = [this](const QString& work, const QString& target) { return m_view.spanFile(work, target); };
    host.processEvents = [this] { m_view.processEvents(); };
    return host;
}

int QueryRunner::copyToDestination()
{
    MediumCopy medium(copyHost());
    medium.rotatingSet = m_state.settings.general.DskTurnGame;
    QString destination = m_query.options.dest;
    const int result = medium.CopieSupport(m_workArchive, destination, m_targetPath);
    m_query.options.dest = destination;
    return result;
}

void QueryRunner::copyAndPurge(const QString& destination)
{
    OldArchivePurge purge;
    purge.appendLog = [this](const QString& line) { log(line); };
    purge.addProcessLine = [this](const QString& line) { m_view.addProcessLine(line); };
    purge.processEvents = [this] { letEventsRun(); };
    const QString target = m_targetPath;
    const QStringList plan = purge.planPurge(destination, m_query.options.arch, m_query.options.maxfile, target);

    // The old archives go only once the new one is on the destination, unless the copy needs
    // their room: then as many as it needs go first, and none when even all of them would not
    // make room (the copy step then offers its ways out with the old archives still there).
    const qint64 size = TailleFichier(m_workArchive);
    const QChar letter = DosPath::driveLetter(destination);
    const qint64 free = letter.isNull() ? -1 : DriveFreeSpace(letter.toUpper().unicode() - 64);
    bool erasedFirst = false;
    if (!plan.isEmpty() && free >= 0 && size > free) {
        qint64 room = free;
        qsizetype needed = 0;
        while (needed < plan.size() && room < size)
            room += qMax<qint64>(TailleFichier(plan.at(needed++)), 0);
        if (room >= size) {
            log(purgeForRoom());
            for (qsizetype i = 0; i < needed; ++i)
                purge.eraseArchive(plan.at(i));
            erasedFirst = true;
        } else {
            log(purgeGivesNoRoom());
        }
    }

    const QString destinationBefore = m_query.options.dest;
    const int result = copyToDestination();
    // A copy moved to another drive (or cut over disks) leaves the destination as it was.
    const bool copied = result == 0 && m_query.options.dest == destinationBefore && m_targetPath == target
                        && nativeExists(target);
    if (erasedFirst) {
        if (!copied)
            log(copyFailedAfterPurge());
    } else if (copied) {
        for (const QString& path : plan) {
            if (path != target) // today's archive was replaced by the copy itself
                purge.eraseArchive(path);
        }
    } else if (!plan.isEmpty()) {
        log(oldArchivesKept());
    }
}

void QueryRunner::SpanFile()
{
    MediumCopy medium(copyHost());
    QString destination = m_query.options.dest;
    medium.SpanFile(m_workArchive, destination, m_targetPath);
    m_query.options.dest = destination;
}

// ------------------------------------------------------------------------------------------
// Building the archive.

void QueryRunner::applyQueryToZip(bool addUpdate)
{
    const Query& q = m_query.options;
    m_zip.setFileName(m_workArchive);
    const SfxSettings sfx = SelfExtractorSettings::forQuery(q, m_query.dataFolder);
    m_zip.setSFXOptions(sfx.options);
    m_zip.setSFXCaption(sfx.caption);
    if (q.stitre.trimmed().isEmpty())
        m_query.options.stitre = sfx.caption;
    m_zip.setSFXMessage(sfx.message);
    m_zip.setSFXDefaultDir(sfx.defaultFolder);
    m_zip.setSFXCommandLine(sfx.commandLine);
    m_zip.setSFXOverWriteMode(sfx.overwriteMode);
    m_zip.setAddCompLevel(q.level);
    unsigned options = ZipMaster::AddHiddenFiles | ZipMaster::AddDirNames;
    if (q.subdir)
        options |= ZipMaster::AddRecurseDirs;
    if (addUpdate)
        options |= ZipMaster::AddUpdate;
    m_zip.setAddOptions(options);
}

void QueryRunner::Zippage()
{
    m_buildOk = true;
    applyQueryToZip(nativeExists(m_workArchive));
    m_passwordOn = false;
    m_zip.setPassword(QString());
    if (m_query.options.pass)
        AskPassword();
    if (m_passwordOn)
        m_zip.setAddOptions(m_zip.AddOptions() | ZipMaster::AddEncrypt);
    if (m_query.options.pass && !m_passwordOn && PlatformEnvironment::current().unattended) {
        // Nobody was there to give the password the query asks for: an archive without it
        // would pass for a protected one.
        m_buildOk = false;
        m_view.addErrorLine(passwordMissing());
        log(passwordMissing());
        return;
    }
    m_zip.setFSpecArgs(m_state.includeList);
    m_zip.setFSpecArgsExcl(m_state.excludeList);

    m_view.addProcessLine(dataSavingInProcess(m_query.label));
    m_view.setInfo(compressionInfo());
    m_startTick = Clock::ticks();
    m_view.showProgress(true);
    if (m_argument.contains(QLatin1String(".KSV"), Qt::CaseInsensitive))
        ZippageForKsvFiles();
    else
        addOnce();
    if (m_state.userCancel) {
        m_buildOk = false;
        m_view.addErrorLine(prematureCancel());
    }
    if (m_view.endRequested() || !nativeExists(m_workArchive))
        m_buildOk = false;
    m_view.showProgress(false);
    m_view.showFileCount(false);
    m_endTick = Clock::ticks();

    // The comment is written only when it changes: the component reads the archive again for it.
    const QString comment = m_query.fromQueryFile ? QString() : m_query.comment;
    if (m_buildOk && m_zip.ZipComment() != comment)
        m_zip.setZipComment(comment);
    m_view.setInfo(endOfCompressionInfo());
    log(archiveCreationLine(m_workFolder));
    const QString archiveName = fileNamePart(m_workArchive);
    if (m_buildOk) {
        // The contents list was read again by the component after the add.
        const QString statistics = RatioFilesStatusBar();
        log(archiveName + QStringLiteral(" [") + QString::number(TailleFichier(m_workArchive)) + QStringLiteral("] ")
            + statistics + okMark());
    } else {
        log(archiveName + errorsMark());
    }

    if (m_query.options.sfx) {
        // Without a work archive there is nothing to convert: the conversion's own report would
        // replace the "nothing archived" outcome. The ".exe" path is still the one copied, so the
        // copy reports the missing archive.
        int result = -1;
        if (m_buildOk) {
            m_zip.setFileName(m_workArchive);
            result = m_zip.ConvertSFX();
        }
        m_workArchive = m_workTwin;
        const QString twinName = fileNamePart(m_workTwin);
        if (result == 0)
            log(sfxConversionOk(twinName, TailleFichier(m_workTwin)));
        else
            m_buildOk = false; // a program left by an earlier run is not today's archive
        if (!nativeExists(m_workTwin))
            log(twinName + QStringLiteral(" ") + errorsMark());
    }
}

int QueryRunner::addOnce()
{
    const int result = m_zip.Add();
    // "Nothing to add" is judged by the archive at the end: in a query file another line may
    // still add files.
    if (result != 0 && result != ZipCode::NothingToDo)
        m_buildOk = false;
    m_filesProcessed += m_zip.SuccessCnt();
    refreshProgressLabels(true);
    return result;
}

void QueryRunner::ZippageForKsvFiles()
{
    bool storePath = m_query.options.storepath;
    bool subDirs = m_query.options.subdir;
    for (const QString& line : std::as_const(m_state.includeList)) {
        if (m_state.userCancel || m_view.endRequested())
            break;
        QString path = line;
        const qsizetype flags = line.indexOf(QLatin1String("<>"));
        if (flags >= 0) {
            const QString digits = line.mid(flags + 2);
            storePath = digits.size() > 0 && digits.at(0) == QLatin1Char('1');
            subDirs = digits.size() > 1 && digits.at(1) == QLatin1Char('1');
            path = line.left(flags);
            m_query.options.storepath = storePath;
            m_query.options.subdir = subDirs;
            m_view.showQuery(m_query);
        }
        // A folder that cannot be entered keeps its full path, so that the zip component
        // reports it missing instead of reading the mask in the current folder.
        if (!storePath && setCurrentFolder(folderPart(path)))
            path = fileNamePart(path);
        m_zip.setFSpecArgs({});
        unsigned options = m_zip.AddOptions() | ZipMaster::AddDirNames;
        if (subDirs)
            options |= ZipMaster::AddRecurseDirs;
        else
            options &= ~unsigned(ZipMaster::AddRecurseDirs);
        m_zip.setAddOptions(options);
        const QString folder = folderPart(path);
        if (!folder.isEmpty())
            setCurrentFolder(folder);
        m_zip.setFSpecArgsExcl(m_state.excludeList);
        m_zip.setFSpecArgs({path});
        addOnce();
        m_zip.setFSpecArgs({});
    }
}

void QueryRunner::AskPassword()
{
    const QString stored = m_settings.readString(QStringLiteral("div"), QStringLiteral("dateinstall"));
    if (!stored.isEmpty() && !TestCTRL_LR()) {
        const QString permanent = Encryption(stored, 0, 0);
        // A stored password that cannot be deciphered here counts as none: the user is asked.
        if (!permanent.isEmpty()) {
            m_passwordOn = true;
            m_zip.setPassword(permanent);
            return;
        }
        log(permanentPasswordUnreadable());
    }
    if (dialogs().message(MessageKind::Confirmation, askArchivePassword(), {Button::Yes, Button::No}) != Button::Yes)
        return;
    m_passwordOn = true;
    // Typed in masked password boxes: what is typed never shows on the screen.
    const std::optional<QString> first = dialogs().password(enterPassword(), QString());
    const std::optional<QString> second = dialogs().password(confirmPassword(), QString());
    log(passwordTypedLog());
    const QString a = first.value_or(QString());
    const QString b = second.value_or(QString());
    if (a.isEmpty() || a != b) {
        dialogs().message(MessageKind::Information, passwordsDiffer(), {Button::Ok});
        log(passwordAbandonLog());
        m_passwordOn = false;
        return;
    }
    m_zip.setPassword(a);
}

// ------------------------------------------------------------------------------------------
// The zip component's events.

void QueryRunner::refreshProgressLabels(bool force)
{
    if (!m_labelsDirty && !force)
        return;
    if (!force && m_repaintClock.elapsed() < RepaintIntervalMs)
        return;
    m_repaintClock.restart();
    m_labelsDirty = false;
    const QString count = QString::number(m_fileCounter) + QLatin1Char('/') + QString::number(m_totalFiles);
    m_view.setFileCount(count);
    m_view.setApplicationTitle(count);
    if (!m_currentFile.isEmpty())
        m_view.setZippedFile(m_currentFile);
    const int percent = m_totalSize > 0 ? int(qBound(qint64(1), m_doneSize * 100 / m_totalSize, qint64(100))) : 1;
    m_view.setProgress(percent);
}

QString QueryRunner::nativeOfFile(const QString& fileName)
{
    // Files arrive folder by folder: the folder's native form is worked out once per folder.
    const qsizetype at = fileName.lastIndexOf(QLatin1Char('\\'));
    if (at < 0)
        return NativePath::of(fileName);
    const QString folder = fileName.left(at + 1);
    if (folder != m_lastFolderDos) {
        m_lastFolderDos = folder;
        m_lastFolderNative = NativePath::of(folder);
        if (!m_lastFolderNative.isEmpty() && !m_lastFolderNative.endsWith(QLatin1Char('/')))
            m_lastFolderNative += QLatin1Char('/');
    }
    if (m_lastFolderNative.isEmpty())
        return NativePath::of(fileName);
    return m_lastFolderNative + fileName.mid(at + 1);
}

void QueryRunner::ZipMaster1Progress(int kind, const QString& fileName, qint64 size)
{
    switch (kind) {
    case ZipMaster::NewFile: {
        ++m_fileCounter;
        m_currentFile = fileName;
        m_labelsDirty = true;
        // Another program holding the file open: it is still offered, and listed as in use.
        if (fileInUse(nativeOfFile(fileName)))
            m_view.addInUseLine(fileName);
        refreshProgressLabels(m_fileCounter == 1); // the first file shows at once
        break;
    }
    case ZipMaster::ProgressUpdate:
        m_doneSize += size;
        m_labelsDirty = true;
        refreshProgressLabels(false);
        break;
    case ZipMaster::EndOfBatch:
        refreshProgressLabels(true);
        m_currentFile.clear();
        m_view.setZippedFile(QStringLiteral(" "));
        m_view.setProgress(0);
        break;
    case ZipMaster::TotalFiles2Process:
        m_view.showFileCount(true);
        m_totalFiles += int(size);
        break;
    case ZipMaster::TotalSize2Process:
        m_view.setProgress(1);
        m_totalSize += size;
        break;
    default: break;
    }
}

void QueryRunner::ZipMaster1Message(int code, const QString& message)
{
    m_lastZipError = code;
    if (code == 0)
        return;
    m_view.addProcessLine(zipErrorProcessLine(m_query.label));
    if (code == ZipCode::FileNotFound) {
        const QString line = message.mid(15) + nonexistentSuffix();
        m_view.addErrorLine(line);
        log(line);
    } else if (code == ZipCode::NothingToDo) {
        m_view.addErrorLine(archiveNotCreated());
        log(archiveNotCreated());
    } else {
        // Each file left out, and the cause of a failed write (disk full, permission), is
        // named in the log as well as in the list.
        const QString line = message + QLatin1Char(' ') + QString::number(code);
        m_view.addErrorLine(line);
        log(line);
    }
}

// ------------------------------------------------------------------------------------------
// Statistics and summary.

QString QueryRunner::RatioFilesStatusBar()
{
    const ArchiveStatistics sums = ArchiveStatistics::of(m_zip.ZipContents());
    const int reduction = sums.reduction();
    const QString elapsed = ShowLTime(m_startTick, m_endTick);
    const QString today = QLocale::system().toString(Clock::today(), QLocale::ShortFormat);
    m_view.setDataPathHint(statisticsHint(today, m_filesProcessed, reduction, elapsed));
    m_statistics = RunnerTexts::statisticsText(m_filesProcessed, reduction, elapsed);
    return m_statistics;
}

void QueryRunner::InfosErreurs()
{
    m_view.setFileCount(QString());
    m_view.setInfo(QString());
    if (m_view.inUseCount() == 0 && m_view.errorCount() == 0)
        InfosPASErreurs();
    else
        InfosDES_Erreurs();
}

namespace {

QString targetWithSize(const QString& target, const QString& workArchive)
{
    const QChar first = target.isEmpty() ? QChar() : target.at(0).toUpper();
    const QString sized = (first == QLatin1Char('A') || first == QLatin1Char('B')) ? workArchive : target;
    return target + QStringLiteral("  [ ") + sTailleFichier(sized) + QStringLiteral(" ]");
}

} // namespace

void QueryRunner::InfosPASErreurs()
{
    m_view.setInfo(dataSavingFinished());
    m_view.setCaption(endCaption());
    m_view.setTarget(targetWithSize(m_targetPath, m_workArchive));
    if (m_removable) {
        m_view.setFinalInfos(removableWarning());
        m_view.addProcessLine(removableWarning());
    }
    m_view.refreshFreeSpace();
    if (m_state.settings.general.wav)
        Son(successSound());
    if (m_lastZipError == 0)
        m_view.addProcessLine(dataSavingEnd(m_query.label));
    m_view.addProcessLine(processSeparator());
    log(infoZipLine(m_statistics));
    log(dataSavingOkLog());
}

void QueryRunner::InfosDES_Erreurs()
{
    m_view.setCaption(failureCaption());
    if (m_state.settings.general.wav)
        Son(errorSound());
    m_view.setTarget(targetWithSize(m_targetPath, m_workArchive));
    m_view.showErrorAnimation();
    m_view.clearAutoClose();
    m_view.widen();
    m_view.showWindow();
    if (m_view.inUseCount() > 0)
        m_view.setFinalInfos(filesInUseWarning());
    if (m_view.errorCount() > 0)
        m_view.setFinalInfos(errorsDetected());
    if (m_lastZipError == ZipCode::NothingToDo) {
        m_view.setTarget(nothingnessTarget());
        m_view.setFinalInfos(nonexistentArchive());
    }
    m_view.refreshFreeSpace();
    log(GetMemoryDetails());
    log(dataSavingFailedLog());
    if (m_state.userCancel)
        log(prematureCancel());
}

} // namespace ksv
