// libFuzzer target for the readers of ZIP archives and self-extracting programs: the directory
// reader of the conversions, the settings block of a self-extractor, and the engine's list,
// test, extraction and conversions.
//
// Input: the bytes of one archive (or self-extracting program). Everything is written inside one
// private temporary folder, extraction always into a destination folder there.
#include "SfxFormat.h"
#include "ZipMaster.h"

#include "FuzzWorkFolder.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>

namespace {

QString workFolder()
{
    static const QString folder = [] {
        const QString path = fuzzWorkFolder("ksv-fuzz-zip");
        QFile stub(path + QLatin1String("/stub.bin"));
        if (!stub.open(QIODevice::WriteOnly) || stub.write("\x7f" "ELF stub") != 9)
            std::abort();
        return path;
    }();
    return folder;
}

void writeInput(const QString& path, const uint8_t* data, size_t size)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    f.write(reinterpret_cast<const char*>(data), qint64(size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString folder = workFolder();
    const QString input = folder + QLatin1String("/in.exe");
    const QString out = folder + QLatin1String("/out");
    writeInput(input, data, size);

    (void)ksv::SfxFormat::zipStart(input);
    (void)ksv::SfxFormat::readSettings(input);

    ksv::ZipMaster zip;
    zip.setPassword(QStringLiteral("1234"));
    zip.setFileName(input); // lists the contents
    zip.Test();
    zip.setExtrBaseDir(out);
    zip.setExtrOptions(ksv::ZipMaster::ExtrDirNames | ksv::ZipMaster::ExtrOverWrite);
    zip.Extract();

    // Both conversions read the directory and move its offsets.
    (void)ksv::SfxFormat::makeZip(input, folder + QLatin1String("/conv.zip"));
    (void)ksv::SfxFormat::makeSelfExtracting(input, folder + QLatin1String("/stub.bin"), ksv::SfxSettings(),
                                             folder + QLatin1String("/conv.exe"));
    QFile::remove(folder + QLatin1String("/conv.zip"));
    QFile::remove(folder + QLatin1String("/conv.exe"));
    QDir(out).removeRecursively();
    return 0;
}
