#include "FileCutter.h"

#include "SplitTexts.h"
#include "TBackupFile.h"

#include "Dialogs.h"
#include "Drives.h"
#include "NativePath.h"
#include "PackageFiles.h"
#include "PackagePaths.h"
#include "PackageSystem.h"
#include "PackageTime.h"
#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ksv {

FileCutter::FileCutter(TBackupFile& engine, CutRunState& state, const RunnerContext& context)
    : m_engine(engine), m_state(state), m_context(context)
{
    m_engine.setOnNeedDisk([this](TBackupFile*, quint16 DiskID, bool& Continue) { needDisk(DiskID, Continue); });
}

void FileCutter::setCaption(const QString& text)
{
    if (m_caption)
        m_caption(text);
}

QString FileCutter::setupProgramPath() const
{
    const QString name = SplitTexts::setupProgramName();
    if (!m_context.programFolder.isEmpty()) {
        const QDir folder(NativePath::of(m_context.programFolder));
        // The program folder may hold it under any case ("Setup.exe").
        const QStringList found = folder.entryList({name}, QDir::Files | QDir::Hidden | QDir::System);
        if (!found.isEmpty())
            return folder.filePath(found.first());
    }
    return ProgramFolder::findAsset(name);
}

FileCutter::Outcome FileCutter::Decouper(const Request& request)
{
    if (m_engine.Busy())
        return Outcome::NotStarted; // a second Cut while one runs
    m_request = request;

    // 1. Source and destination folder.
    m_state.sourcePath = request.source;
    m_state.destinationFolder = AppendSlash(request.destination.trimmed());
    if (m_state.destinationFolder.isEmpty())
        return Outcome::NotStarted; // pieces would land in whatever the current folder is

    // 2. The size limit of the chosen item.
    if (request.sizeItem == CutRules::FloppyItem) {
        m_state.sizeLimit = CutRules::FloppyCutLimit;
    } else {
        const std::optional<qint32> bytes = CutRules::freeSizeBytes(request.freeSizeText);
        if (!bytes)
            return Outcome::NotStarted;
        m_state.sizeLimit = *bytes;
    }

    // 3. Only a source of at least one piece is cut (a missing file has size -1).
    if (TailleFichier(m_state.sourcePath) < m_state.sizeLimit) {
        dialogs().message(MessageKind::Plain, SplitTexts::splitUnuseful(), {Button::Ok});
        return Outcome::Refused;
    }

    // 4. The destination folder with all missing parents.
    const QString nativeDestination = NativePath::of(m_state.destinationFolder);
    if (!nativeDestination.isEmpty())
        QDir().mkpath(nativeDestination);

    // 5. Room for the restore program on the first floppy.
    if (request.copySetup && request.sizeItem == CutRules::FloppyItem) {
        const QString setup = setupProgramPath();
        m_state.sizeLimit = CutRules::firstFloppyLimit(setup.isEmpty() ? -1 : TailleFichier(setup));
    }

    // 6. The engine: no compression, one file.
    m_engine.setBackupTitle(QString());
    m_engine.setBackupMode(TBackupMode::bmAll);
    m_engine.setCompressionLevel(TCompressionLevel::clNone);
    m_engine.setSaveFileID(false);
    m_engine.setMaxSize(m_state.sizeLimit);

    // 7. The first piece.
    m_state.firstPiece = CutRules::firstPieceName(m_state.destinationFolder, m_state.sourcePath);

    // 8. The first disk.
    m_promptCancelled = false;
    diskPrompt(1);

    // 9. The restore program beside the first piece; a failed copy is not reported.
    if (request.copySetup) {
        const QString setup = setupProgramPath();
        if (!setup.isEmpty())
            CopyFiles32(setup, m_state.destinationFolder + SplitTexts::setupProgramName());
    }

    // 10. A cancelled disk prompt (now or in an earlier cut) keeps the cut from starting. When
    // the cancel was an earlier one, nothing on the screen would say why the click did nothing:
    // the user is told, and the next click starts the cut.
    if (!m_state.goAhead) {
        if (!m_promptCancelled) {
            dialogs().message(MessageKind::Information, SplitTexts::cutHeldByCancelledPrompt(), {Button::Ok});
            m_state.goAhead = true;
        }
        return Outcome::NotStarted;
    }

    // 11. The cut. The piece count starts again with each cut, so that the log line gives the
    // number of pieces of this cut.
    m_state.lastPieceNumber = 1;
    setCaption(CutRules::fileNameOf(m_state.firstPiece) + QStringLiteral(" : ") + SplitTexts::copyOnMediumWait());
    m_state.outcome = m_engine.Backup({m_state.sourcePath}, m_state.firstPiece);
    setCaption(SplitTexts::endOfCopyProcess());
    if (m_engine.LastFailureRaised()) {
        setCaption(SplitTexts::errorCopyOnMedium());
        m_state.outcome = false;
    }

    // 12. and 13. The outcome in the log, a failure also in the error list.
    const QString pieces = QString::number(m_state.lastPieceNumber);
    if (m_state.outcome) {
        m_context.log(SplitTexts::segmentationOk() + pieces);
    } else {
        m_context.log(SplitTexts::segmentationFailed() + pieces);
        m_context.error(SplitTexts::splitRejected());
    }
    return m_state.outcome ? Outcome::Succeeded : Outcome::Failed;
}

void FileCutter::needDisk(quint16 piece, bool& Continue)
{
    Continue = diskPrompt(piece);
}

bool FileCutter::diskPrompt(int piece)
{
    const bool later = piece >= 2;
    if (later) {
        m_state.lastPieceNumber = piece;
        m_state.diskTag = SplitTexts::diskTag(piece);
        // Later floppies are not reduced by the room of the restore program.
        if (m_request.sizeItem == CutRules::FloppyItem)
            m_state.sizeLimit = CutRules::FloppyCutLimit;
        m_engine.setMaxSize(m_state.sizeLimit);
    }

    const QChar letter = DosPath::driveLetter(m_state.destinationFolder);
    if (letter.isNull())
        return true; // a native folder outside the drive table: nothing to ask for
    const QString drive(letter);
    bool answer = true;
    // A write-protected medium needs replacing as much as a full one: the engine could not
    // write a piece onto it.
    const auto needsAnotherDisk = [&] {
        const int check = CheckForDisk(drive);
        return check != 0 && (check == 1 || driveServices().freeSpace(letter) < m_state.sizeLimit);
    };
    while (needsAnotherDisk()) {
        const QString text = later ? SplitTexts::nextDiskPrompt(m_state.diskTag) : SplitTexts::firstDiskPrompt();
        if (dialogs().message(MessageKind::Information, text, {Button::Ok, Button::Cancel}) == Button::Ok) {
            if (letter == QLatin1Char('A') && CheckForDisk(drive) == 3)
                EffaceDsk144();
            m_state.goAhead = true;
            QCoreApplication::processEvents();
            answer = true;
        } else {
            m_state.goAhead = false;
            m_promptCancelled = true;
            if (later)
                m_context.log(SplitTexts::noMediumInsertion() + m_state.diskTag);
            answer = false;
        }
        if (later)
            delay(300);
        if (!answer)
            break;
    }
    return answer;
}

void FileCutter::EffaceDsk144()
{
    if (dialogs().message(MessageKind::Warning, SplitTexts::eraseFloppyQuestion(), {Button::Yes, Button::No})
        == Button::No)
        return;
    const Status erased = DelAllFile(QStringLiteral("A:\\"), QStringLiteral("*.*"));
    m_context.log(erased.isOk() ? SplitTexts::erasureOk() : SplitTexts::erasureFailed());
}

} // namespace ksv
