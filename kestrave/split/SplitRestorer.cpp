#include "SplitRestorer.h"

#include "SplitTexts.h"
#include "TBackupFile.h"

#include "Dialogs.h"
#include "Drives.h"
#include "NativePath.h"
#include "PackageLaunchers.h"
#include "PackagePaths.h"
#include "PackageTime.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace ksv {

namespace {

bool isFile(const QString& path)
{
    const QString native = NativePath::of(path);
    return !native.isEmpty() && QFileInfo(native).isFile();
}

} // namespace

SplitRestorer::SplitRestorer(TBackupFile& engine, RestoreRunState& state, const RunnerContext& context)
    : m_engine(engine), m_state(state), m_context(context)
{
    m_engine.setOnNeedDisk([this](TBackupFile*, quint16 DiskID, bool& Continue) { needDisk(DiskID, Continue); });
    m_engine.setOnRestoreFile([this](TBackupFile*, QString& Filename, qint32, bool&) { m_state.lastTarget = Filename; });
}

void SplitRestorer::setCaption(const QString& text)
{
    if (m_caption)
        m_caption(text);
}

QStringList SplitRestorer::RechSplit00X(const QString& folder)
{
    QStringList found;
    const QString native = folder.isEmpty() ? QString() : NativePath::of(folder);
    if (native.isEmpty() || !QFileInfo(native).isDir())
        return found;
    QDirIterator it(native, {SplitTexts::firstPiecePattern()}, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        found.append(it.fileName());
        QCoreApplication::processEvents();
    }
    std::sort(found.begin(), found.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return found;
}

QString SplitRestorer::sourceOf(const QString& folder, const QString& name)
{
    // An empty folder stays empty, so that a name alone never means the current folder.
    if (folder.trimmed().isEmpty())
        return name.isEmpty() ? QString() : name;
    return AppendSlash(folder) + name;
}

SplitRestorer::Outcome SplitRestorer::Restaurer(bool offerToRun)
{
    // 1. Only an existing first piece (not the folder alone) is restored.
    if (m_engine.Busy() || !isFile(m_state.source))
        return Outcome::NotStarted;

    // 2. Everything, side by side in the destination.
    m_engine.setRestoreMode(TRestoreMode::rmAll);
    m_engine.setRestoreFullPath(false);

    // 3. The run.
    m_state.lastTarget.clear();
    setCaption(SplitTexts::copyOnMediumWait());
    m_state.outcome = m_engine.Restore(m_state.source, m_state.destination);
    setCaption(SplitTexts::endOfCopyProcess());
    if (m_engine.LastFailureRaised()) {
        setCaption(SplitTexts::errorCopyOnMedium());
        m_state.outcome = false;
    }

    // 4. The log line.
    m_context.log(m_state.outcome ? SplitTexts::restorationOk() : SplitTexts::restorationFailed());

    // 5. The offer to start the restored file.
    if (m_state.outcome && offerToRun && !m_state.lastTarget.isEmpty()) {
        if (dialogs().message(MessageKind::Information, SplitTexts::openRestoredQuestion(m_state.lastTarget),
                              {Button::Ok, Button::Cancel})
            == Button::Ok) {
            if (m_context.startProgram)
                m_context.startProgram(m_state.lastTarget);
            else
                WinExecAndWait32(m_state.lastTarget, 1, false);
            m_context.log(SplitTexts::runLine(m_state.lastTarget));
        }
    }
    return m_state.outcome ? Outcome::Succeeded : Outcome::Failed;
}

void SplitRestorer::needDisk(quint16 piece, bool& Continue)
{
    const QString tag = SplitTexts::diskTag(piece);
    const QChar letter = DosPath::driveLetter(m_state.source);
    const bool removable = !letter.isNull() && driveServices().driveType(letter) == DriveType::Removable;
    if (!removable && isFile(TBackupFile::VolumeName(m_state.source, piece))) {
        Continue = true;
        return;
    }
    // A removable drive, or a piece missing on another drive: the user brings it or stops.
    if (dialogs().message(MessageKind::Information, SplitTexts::insertNextDisk(tag), {Button::Ok, Button::Cancel})
        == Button::Ok) {
        Continue = true;
    } else {
        m_context.log(SplitTexts::noMediumInsertion() + tag);
        Continue = false;
    }
    delay(300);
}

} // namespace ksv
