#pragma once

#include "Result.h"

#include <QByteArray>
#include <QString>

namespace ksv {

// How the self-extractor treats files that already exist.
enum class SfxOverwriteMode { Confirm = 0, Always = 1, Never = 2 };

// Option bits of the self-extractor (bit n = option n).
namespace SfxOption {
constexpr unsigned ConfirmCommandLine = 1u << 0; // let the user confirm the command line before it runs
constexpr unsigned AllowChanges = 1u << 1;       // let the user change the folder and the choice of files
constexpr unsigned AutoRunWithBang = 1u << 2;    // extract at once when the program's name begins with "!"
constexpr unsigned NeverAskOverwrite = 1u << 3;  // never show the overwrite question
constexpr unsigned Unused4 = 1u << 4;            // kept free; the programs never set it
constexpr unsigned NoSuccessMessage = 1u << 5;   // no message at the end
} // namespace SfxOption

// The settings a self-extracting archive carries for its extractor program.
struct SfxSettings
{
    QString caption;
    QString defaultFolder; // "><" = the extracting user's temporary folder
    QString commandLine;   // "><" at its start = the extraction folder
    QString message;       // first character 1: OK/Cancel buttons, 2: Yes/No; else a plain OK box
    QByteArray icon;       // bytes of an icon or picture file, used as the window icon
    SfxOverwriteMode overwriteMode = SfxOverwriteMode::Confirm;
    unsigned options = 0;

    bool has(unsigned option) const { return (options & option) != 0; }
};

// The self-extracting file layout: the extractor program ("ZipSFX.bin"), the settings block,
// then the ZIP data with every offset in its central directory and end records moved by the
// size of what precedes it, so that ordinary unzip tools and libzip read the program as an
// archive. Converting back removes the prefix and moves the offsets back, which gives the
// original ZIP byte for byte.
class SfxFormat
{
public:
    // Where the ZIP data of a file begins (0 for a plain ZIP archive).
    static Result<qint64> zipStart(const QString& nativePath);
    static Status makeSelfExtracting(const QString& zipPath, const QString& stubPath, const SfxSettings& settings,
                                     const QString& exePath);
    static Status makeZip(const QString& exePath, const QString& zipPath);
    static Result<SfxSettings> readSettings(const QString& exePath);

    static QByteArray encodeSettings(const SfxSettings& settings, qint64 stubLength);
};

} // namespace ksv
