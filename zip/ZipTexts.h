#pragma once

#include <QString>

namespace ksv {

// Message codes of the zip engine (the code of OnMessage). 0 is informational; 767 and 852237
// are the codes the programs test for; the others are this engine's own.
namespace ZipCode {
constexpr int Info = 0;
constexpr int FileNotFound = 767;      // text: "File not found " + name
constexpr int NothingToDo = 852237;    // an add found nothing to add and no archive exists
constexpr int ReadError = 1001;        // a file to add cannot be read
constexpr int WriteError = 1002;       // the archive cannot be written
constexpr int DiskFull = 1003;         // not enough room on the drive
constexpr int BadArchive = 1004;       // not a ZIP archive, or damaged
constexpr int UnsafeName = 1005;       // an entry name that would leave the base folder
constexpr int WrongPassword = 1006;
constexpr int DamagedEntry = 1007;     // test or extract found bad data
constexpr int CreateError = 1008;      // an extracted file cannot be created
constexpr int StubMissing = 1009;      // "ZipSFX.bin" not found
constexpr int NotSelfExtracting = 1010;
constexpr int Busy = 1011;            // returned (without a message) when an operation is already running
constexpr int NoArchiveName = 1012;
constexpr int AesCrcUnverifiable = 1013;
constexpr int TargetExists = 1014;     // a conversion's target is already there (when not replacing)
constexpr int NameClash = 1015;        // a file to add would take a stored name another file has
constexpr int General = 1099;
} // namespace ZipCode

// Results of CopyFile.
namespace CopyResult {
constexpr int Ok = 0;
constexpr int CannotCreate = -1;
constexpr int ReadWriteError = -2;
constexpr int InvalidSource = -3;
constexpr int General = -9;
} // namespace CopyResult

// Every text the engine shows, in one place.
namespace ZipTexts {
QString fileNotFound(const QString& name);       // "File not found " + name (15 characters before it)
QString nothingToDo(const QString& archive);
QString cannotRead(const QString& file, const QString& reason);
QString nameClash(const QString& file, const QString& storedName, const QString& takenBy);
QString cannotWrite(const QString& archive, const QString& reason);
QString diskFull(const QString& archive);
QString badArchive(const QString& archive, const QString& reason);
QString unsafeName(const QString& name);
QString wrongPassword(const QString& name);
QString damagedEntry(const QString& name, const QString& reason);
QString aesCrcUnverifiable(const QString& name);
QString cannotCreate(const QString& file, const QString& reason);
QString stubMissing(const QString& stubName);
QString notSelfExtracting(const QString& file);
QString targetExists(const QString& file);
QString noArchiveName();
QString cancelled();
QString unchanged(const QString& archive);
QString skippedExisting(const QString& file);
QString added(int count, const QString& archive);
QString extracted(int count);
QString tested(int good, int total);
QString deleted(int count);
QString passwordCaption();
QString passwordPrompt();
QString passwordConfirmPrompt();
QString passwordsDiffer();
QString extractPasswordPrompt(const QString& name);
QString sfxReadOnlyUpdate(const QString& archive);
} // namespace ZipTexts

} // namespace ksv
