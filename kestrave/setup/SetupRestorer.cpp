#include "SetupRestorer.h"

#include "SetupTexts.h"

#include "Dialogs.h"
#include "Drives.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace ksv {

SetupRestorer::SetupRestorer(QString programFolder) : m_programFolder(std::move(programFolder))
{
    m_engine.setRestoreMode(TRestoreMode::rmAll);
    m_engine.setRestoreFullPath(false);
    m_engine.setOnError([this](TBackupFile*, qint32, const QString& ErrString) { m_errorText = ErrString; });
    m_engine.setOnProgress([this](TBackupFile*, const QString&, TPercentage Percent, bool&) {
        if (m_progress)
            m_progress(Percent);
    });
    m_engine.setOnFileRestored([this](TBackupFile*, QString& Filename, QFile&) {
        if (!m_restored.contains(Filename))
            m_restored.append(Filename);
    });
}

QStringList SetupRestorer::firstPieces(const QString& folder)
{
    QStringList found = QDir(folder).entryList({QStringLiteral("*.001")}, QDir::Files | QDir::Hidden | QDir::System);
    std::sort(found.begin(), found.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return found;
}

QString SetupRestorer::defaultDestination() const
{
    const QString current = QDir::currentPath();
    if (QFileInfo(current).canonicalFilePath() != QFileInfo(m_programFolder).canonicalFilePath())
        return QDir::toNativeSeparators(current);
    return QDir::toNativeSeparators(m_programFolder);
}

QString SetupRestorer::chooseFirstPiece(const QString& given) const
{
    if (!given.isEmpty()) {
        const QString path = QFileInfo(given).absoluteFilePath();
        if (QFileInfo(path).isFile())
            return path;
        dialogs().message(MessageKind::Error, SetupTexts::pieceMissing(given), {Button::Ok}, SetupTexts::caption());
        return {};
    }
    const QStringList found = firstPieces(m_programFolder);
    if (found.isEmpty()) {
        dialogs().message(MessageKind::Error, SetupTexts::noFirstPiece(QDir::toNativeSeparators(m_programFolder)),
                          {Button::Ok}, SetupTexts::caption());
        return {};
    }
    return QDir(m_programFolder).filePath(found.first());
}

QString SetupRestorer::askDestination(const QString& firstPiece) const
{
    const std::optional<QString> answer = dialogs().input(
        SetupTexts::caption(), SetupTexts::destinationPrompt(QFileInfo(firstPiece).fileName()), defaultDestination());
    if (!answer || answer->trimmed().isEmpty())
        return {};
    return answer->trimmed();
}

void SetupRestorer::needDisk(const QString& firstPiece, quint16 disk, bool& Continue)
{
    // A piece already beside the first one is taken without a question.
    if (QFileInfo(TBackupFile::VolumeName(firstPiece, disk)).isFile()) {
        Continue = true;
        return;
    }
    Continue = dialogs().message(MessageKind::Information, SetupTexts::nextDiskPrompt(disk),
                                 {Button::Ok, Button::Cancel}, SetupTexts::caption())
               == Button::Ok;
}

SetupRestorer::ExitCode SetupRestorer::restore(const QString& firstPiece, const QString& destination)
{
    m_restored.clear();
    m_errorText.clear();
    // A folder dialog answers in the DOS form of the drive table.
    const QString native = DosPath::isDosAbsolute(destination) ? DosPath::toNative(destination) : destination;
    const QString folder = native.isEmpty() ? QString() : QFileInfo(QDir::fromNativeSeparators(native)).absoluteFilePath();
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        dialogs().message(MessageKind::Error, SetupTexts::cannotCreateFolder(destination), {Button::Ok},
                          SetupTexts::caption());
        return Failed;
    }
    m_engine.setOnNeedDisk(
        [this, firstPiece](TBackupFile*, quint16 DiskID, bool& Continue) { needDisk(firstPiece, DiskID, Continue); });
    const bool ok = m_engine.Restore(firstPiece, folder + QLatin1Char('/'));
    if (ok) {
        const QString text = m_restored.isEmpty() ? SetupTexts::restoredNothing()
                                                  : SetupTexts::restored(QDir::toNativeSeparators(m_restored.join(QStringLiteral("\", \""))));
        dialogs().message(MessageKind::Information, text, {Button::Ok}, SetupTexts::caption());
        return Restored;
    }
    QString reason = m_errorText;
    if (reason.isEmpty() && m_engine.LastStatus().code() != 0)
        reason = m_engine.LastStatus().message();
    if (reason.isEmpty())
        dialogs().message(MessageKind::Warning, SetupTexts::stopped(), {Button::Ok}, SetupTexts::caption());
    else
        dialogs().message(MessageKind::Error, SetupTexts::failed(reason), {Button::Ok}, SetupTexts::caption());
    return Failed;
}

} // namespace ksv
