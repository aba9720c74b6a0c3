#include "SfxExtractor.h"

#include "SfxTexts.h"
#include "ZipMaster.h"
#include "ZipPaths.h"

#include "Dialogs.h"
#include "SystemActions.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSet>

namespace ksv {

namespace {

// The path below base whose components match relative's without regard to case (the command
// line is written in capitals by the programs); components that match nothing keep their text.
QString resolveIgnoringCase(const QString& base, const QString& relative)
{
    QString current = base;
    const QStringList parts = ZipPaths::normalisedEntryName(relative).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        QString next = current + QLatin1Char('/') + part;
        if (!QFileInfo::exists(next)) {
            const QStringList entries = QDir(current).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
            for (const QString& entry : entries) {
                if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                    next = current + QLatin1Char('/') + entry;
                    break;
                }
            }
        }
        current = next;
    }
    return current;
}

} // namespace

SfxExtractor::SfxExtractor(QString programPath) : m_program(std::move(programPath)) {}

bool SfxExtractor::load()
{
    const auto settings = SfxFormat::readSettings(m_program);
    if (!settings) {
        m_error = SfxTexts::noArchive(m_program);
        return false;
    }
    m_settings = *settings;
    ZipMaster zip;
    zip.setFileName(m_program);
    m_entries = zip.ZipContents();
    return true;
}

QString SfxExtractor::caption() const
{
    return m_settings.caption.trimmed().isEmpty() ? SfxTexts::defaultCaption() : m_settings.caption;
}

QString SfxExtractor::proposedFolder() const
{
    const QString setting = m_settings.defaultFolder.trimmed();
    QString native;
    if (setting.startsWith(QLatin1String("><")))
        native = QDir::tempPath() + QLatin1Char('/') + setting.mid(2);
    else if (setting.isEmpty())
        native = QDir::currentPath();
    else
        return setting;
    return ZipPaths::toDisplay(QDir::cleanPath(native));
}

QStringList SfxExtractor::fileNames() const
{
    QStringList names;
    for (const ZipEntry& entry : m_entries) {
        if (!entry.FileName.endsWith(QLatin1Char('/')))
            names.append(entry.FileName);
    }
    return names;
}

bool SfxExtractor::autoRun() const
{
    return m_settings.has(SfxOption::AutoRunWithBang) && QFileInfo(m_program).fileName().startsWith(QLatin1Char('!'));
}

bool SfxExtractor::confirmStart()
{
    const QString message = m_settings.message;
    if (message.isEmpty())
        return true;
    if (message.at(0) == QChar(1))
        return dialogs().message(MessageKind::Confirmation, message.mid(1), {Button::Ok, Button::Cancel}, caption())
            == Button::Ok;
    if (message.at(0) == QChar(2))
        return dialogs().message(MessageKind::Confirmation, message.mid(1), {Button::Yes, Button::No}, caption())
            == Button::Yes;
    dialogs().message(MessageKind::Information, message, {Button::Ok}, caption());
    return true;
}

int SfxExtractor::extract(const QString& folder, const QStringList& names)
{
    QString native = ZipPaths::toNative(folder.trimmed());
    if (native.isEmpty()) {
        dialogs().message(MessageKind::Error, SfxTexts::cannotCreateFolder(folder), {Button::Ok}, caption());
        return Failed;
    }
    native = QDir::cleanPath(QDir::current().absoluteFilePath(native));
    if (!QDir().mkpath(native)) {
        dialogs().message(MessageKind::Error, SfxTexts::cannotCreateFolder(folder), {Button::Ok}, caption());
        return Failed;
    }

    const QStringList chosenList = names.isEmpty() ? fileNames() : names;
    const QSet<QString> chosen(chosenList.cbegin(), chosenList.cend());
    if (chosen.isEmpty()) {
        dialogs().message(MessageKind::Information, SfxTexts::nothingSelected(), {Button::Ok}, caption());
        return Declined;
    }

    // Files that exist already: replaced, kept or asked about, as the settings say.
    QStringList toExtract;
    bool encrypted = false;
    for (const ZipEntry& entry : m_entries) {
        if (!chosen.contains(entry.FileName))
            continue;
        const QString target = native + QLatin1Char('/') + ZipPaths::normalisedEntryName(entry.FileName);
        if (QFileInfo::exists(target)) {
            bool replace = true;
            switch (m_settings.overwriteMode) {
            case SfxOverwriteMode::Always: replace = true; break;
            case SfxOverwriteMode::Never: replace = false; break;
            case SfxOverwriteMode::Confirm:
                if (!m_settings.has(SfxOption::NeverAskOverwrite)) {
                    const Button answer = dialogs().message(MessageKind::Confirmation,
                                                            SfxTexts::overwriteQuestion(ZipPaths::toDisplay(target)),
                                                            {Button::Yes, Button::No, Button::Cancel}, caption());
                    if (answer == Button::Cancel)
                        return Declined;
                    replace = answer == Button::Yes;
                }
                break;
            }
            if (!replace)
                continue;
        }
        encrypted = encrypted || entry.Encrypted;
        toExtract.append(entry.FileName);
    }

    ZipMaster zip;
    QStringList problems;
    QObject::connect(&zip, &ZipMaster::OnMessage, [&problems](int code, const QString& text) {
        if (code != 0)
            problems.append(text);
    });
    if (encrypted) {
        const auto password = dialogs().password(caption(), SfxTexts::passwordPrompt());
        if (!password)
            return Declined;
        zip.setPassword(*password);
    }
    int extracted = 0;
    if (!toExtract.isEmpty()) {
        zip.setFileName(m_program);
        zip.setExtrBaseDir(native);
        zip.setExtrOptions(ZipMaster::ExtrDirNames | ZipMaster::ExtrOverWrite | ZipMaster::ExtrExactNames);
        zip.setFSpecArgs(toExtract);
        zip.Extract();
        extracted = zip.SuccessCnt();
    }
    if (!problems.isEmpty()) {
        dialogs().message(MessageKind::Error, SfxTexts::failures(extracted, static_cast<int>(toExtract.size()),
                                                                 problems.join(QLatin1Char('\r'))),
                          {Button::Ok}, caption());
        return Failed;
    }
    if (!m_settings.has(SfxOption::NoSuccessMessage))
        dialogs().message(MessageKind::Information, SfxTexts::success(extracted, ZipPaths::toDisplay(native)),
                          {Button::Ok}, caption());
    runCommandLine(native);
    return Success;
}

void SfxExtractor::runCommandLine(const QString& nativeFolder)
{
    const QString command = m_settings.commandLine.trimmed();
    if (command.isEmpty())
        return;
    QString program;
    QStringList arguments;
    if (command.startsWith(QLatin1String("><"))) {
        // "><" stands for the extraction folder; the rest names an extracted file.
        program = resolveIgnoringCase(nativeFolder, command.mid(2));
        if (!QFileInfo::exists(program)) {
            arguments = QProcess::splitCommand(command.mid(2));
            if (!arguments.isEmpty())
                program = resolveIgnoringCase(nativeFolder, arguments.takeFirst());
        }
    } else {
        program = ZipPaths::toNative(command);
        if (!QFileInfo::exists(program)) {
            arguments = QProcess::splitCommand(command);
            program = arguments.isEmpty() ? QString() : ZipPaths::toNative(arguments.takeFirst());
        }
    }
    if (program.isEmpty())
        return;
    if (m_settings.has(SfxOption::ConfirmCommandLine)
        && dialogs().message(MessageKind::Confirmation, SfxTexts::runCommand(ZipPaths::toDisplay(program)),
                             {Button::Yes, Button::No}, caption()) != Button::Yes)
        return;
    if (!systemActions().startProgram(program, arguments))
        dialogs().message(MessageKind::Warning, SfxTexts::commandFailed(ZipPaths::toDisplay(program)), {Button::Ok},
                          caption());
}

} // namespace ksv
