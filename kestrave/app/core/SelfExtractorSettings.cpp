#include "SelfExtractorSettings.h"

#include "PackageStrings.h"
#include "RunnerTexts.h"

namespace ksv::SelfExtractorSettings {

QString BuildSfxCommandLine(const QString& command, const QString& dataFolder, bool storePaths)
{
    const QString upperCommand = command.toUpper();
    const QString upperFolder = dataFolder.toUpper();
    const QString rest = upperCommand.mid(3);
    if (NbSousChaine(upperFolder, upperCommand) == 0)
        return upperCommand;
    if (storePaths)
        return QStringLiteral("><") + rest;
    return QStringLiteral("><") + droite(upperFolder, upperCommand);
}

QString caption(const QString& stitre)
{
    QString text = stitre;
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return text.isEmpty() ? RunnerTexts::defaultSfxCaption() : text;
}

QString message(bool msgsfx, int kind, const QString& text)
{
    if (!msgsfx)
        return {};
    if (kind == 2)
        return QChar(1) + text;
    if (kind == 3)
        return QChar(2) + text;
    return text;
}

SfxSettings forQuery(const Query& query, const QString& dataFolder)
{
    SfxSettings s;
    // Options first, as the component has always been set up.
    unsigned options = 0;
    const bool withCommand = query.hasSfxCommand();
    if (withCommand)
        options |= SfxOption::ConfirmCommandLine;
    if (!query.chglst)
        options |= SfxOption::AllowChanges;
    if (query.autorun)
        options |= SfxOption::AutoRunWithBang;
    if (query.sow)
        options |= SfxOption::NeverAskOverwrite;
    if (!query.endmsg)
        options |= SfxOption::NoSuccessMessage;
    s.options = options;
    s.caption = caption(query.stitre);
    s.message = message(query.msgsfx, query.iboxmsg, query.smsg);
    s.defaultFolder = query.spath;
    if (withCommand)
        s.commandLine = BuildSfxCommandLine(query.scmd, dataFolder, query.storepath);
    s.overwriteMode = query.sow ? SfxOverwriteMode::Always : SfxOverwriteMode::Confirm;
    return s;
}

} // namespace ksv::SelfExtractorSettings
