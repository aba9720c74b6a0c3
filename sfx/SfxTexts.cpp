#include "SfxTexts.h"

namespace ksv::SfxTexts {

QString defaultCaption() { return QStringLiteral("Self-extracting archive"); }
QString noArchive(const QString& program)
{
    return QStringLiteral("This program holds no archive to extract: ") + program;
}
QString extractTo() { return QStringLiteral("Extract to :"); }
QString browse() { return QStringLiteral("..."); }
QString extract() { return QStringLiteral("&Extract"); }
QString cancel() { return QStringLiteral("&Cancel"); }
QString files() { return QStringLiteral("Files :"); }
QString chooseFolder() { return QStringLiteral("Extract to"); }
QString overwriteQuestion(const QString& file)
{
    return QStringLiteral("The file ") + file + QStringLiteral(" already exists.\rDo you want to overwrite it ?");
}
QString passwordPrompt() { return QStringLiteral("This archive is encrypted. Password :"); }
QString success(int count, const QString& folder)
{
    return QString::number(count) + QStringLiteral(" file(s) extracted to ") + folder;
}
QString failures(int good, int total, const QString& details)
{
    return QString::number(good) + QStringLiteral(" of ") + QString::number(total)
        + QStringLiteral(" file(s) extracted. Errors :\r") + details;
}
QString runCommand(const QString& command) { return QStringLiteral("Run ") + command + QStringLiteral(" now ?"); }
QString commandFailed(const QString& command) { return QStringLiteral("Cannot start ") + command; }
QString cannotCreateFolder(const QString& folder) { return QStringLiteral("Cannot create the folder ") + folder; }
QString nothingSelected() { return QStringLiteral("No file selected."); }
QString usage()
{
    return QStringLiteral("Usage: PROGRAM [--console] [--dir FOLDER]\n"
                          "Extracts the archive this program carries. --console works without a window;\n"
                          "--dir chooses the folder when the archive allows it.\n");
}

} // namespace ksv::SfxTexts
