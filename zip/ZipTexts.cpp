#include "ZipTexts.h"

namespace ksv::ZipTexts {

QString fileNotFound(const QString& name) { return QStringLiteral("File not found ") + name; }
QString nothingToDo(const QString& archive)
{
    return QStringLiteral("Nothing to add: no file matches the specifications, archive not created: ") + archive;
}
QString cannotRead(const QString& file, const QString& reason)
{
    return QStringLiteral("Cannot read the file ") + file + QStringLiteral(" (") + reason + QStringLiteral(")");
}
QString targetExists(const QString& file)
{
    return QStringLiteral("The file ") + file + QStringLiteral(" already exists and is left as it is");
}
QString cannotWrite(const QString& archive, const QString& reason)
{
    return QStringLiteral("Cannot write the archive ") + archive + QStringLiteral(" (") + reason
        + QStringLiteral("); the previous archive is kept unchanged.");
}
QString diskFull(const QString& archive)
{
    return QStringLiteral("Disk full: not enough free space to write ") + archive
        + QStringLiteral("; the previous archive is kept unchanged.");
}
QString badArchive(const QString& archive, const QString& reason)
{
    return QStringLiteral("Invalid or damaged ZIP archive ") + archive + QStringLiteral(" (") + reason + QStringLiteral(")");
}
QString unsafeName(const QString& name)
{
    return QStringLiteral("Entry skipped, its name would be written outside the extraction folder: ") + name;
}
QString wrongPassword(const QString& name) { return QStringLiteral("Wrong or missing password for ") + name; }
QString damagedEntry(const QString& name, const QString& reason)
{
    return QStringLiteral("Damaged entry ") + name + QStringLiteral(" (") + reason + QStringLiteral(")");
}
QString aesCrcUnverifiable(const QString& name)
{
    return QStringLiteral("Cannot verify the AES-encrypted entry ") + name
        + QStringLiteral(": it was written by another program in a form this engine's ZIP library cannot check "
                         "(it reports a CRC error although the data may be good). Check it with 7-Zip.");
}
QString cannotCreate(const QString& file, const QString& reason)
{
    return QStringLiteral("Cannot create the file ") + file + QStringLiteral(" (") + reason + QStringLiteral(")");
}
QString stubMissing(const QString& stubName)
{
    return QStringLiteral("The self-extractor program ") + stubName
        + QStringLiteral(" was not found; no self-extracting archive was made.");
}
QString notSelfExtracting(const QString& file)
{
    return QStringLiteral("Not a self-extracting ZIP archive: ") + file;
}
QString noArchiveName() { return QStringLiteral("No archive file name given."); }
QString cancelled() { return QStringLiteral("Operation cancelled by the user; the archive is unchanged."); }
QString nameClash(const QString& file, const QString& storedName, const QString& takenBy)
{
    return QStringLiteral("Not added: ") + file + QStringLiteral(" would be stored as \"") + storedName
        + QStringLiteral("\", the name already given to ") + takenBy;
}
QString unchanged(const QString& archive)
{
    return QStringLiteral("Nothing new to add; the archive is unchanged: ") + archive;
}
QString skippedExisting(const QString& file) { return QStringLiteral("Existing file kept: ") + file; }
QString added(int count, const QString& archive)
{
    return QString::number(count) + QStringLiteral(" file(s) added to ") + archive;
}
QString extracted(int count) { return QString::number(count) + QStringLiteral(" file(s) extracted."); }
QString tested(int good, int total)
{
    return QString::number(good) + QStringLiteral(" of ") + QString::number(total) + QStringLiteral(" entries tested good.");
}
QString deleted(int count) { return QString::number(count) + QStringLiteral(" entries deleted."); }
QString passwordCaption() { return QStringLiteral("Password"); }
QString passwordPrompt() { return QStringLiteral("Enter the password for the archive :"); }
QString passwordConfirmPrompt() { return QStringLiteral("Confirm the password :"); }
QString passwordsDiffer()
{
    return QStringLiteral("The password and its confirmation differ; no password is used.");
}
QString extractPasswordPrompt(const QString& name)
{
    return QStringLiteral("Password for the encrypted file ") + name + QStringLiteral(" :");
}
QString sfxReadOnlyUpdate(const QString& archive)
{
    return QStringLiteral("A self-extracting archive cannot be changed; convert it to ZIP first: ") + archive;
}

} // namespace ksv::ZipTexts
