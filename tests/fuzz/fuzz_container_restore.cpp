// libFuzzer target for the split container's reader (restore and listing).
//
// Input: one option byte (bits 0-2 restore mode, bit 3 keep the stored folders), then the
// volumes of a container separated by the bytes "KSVVOL" (at most three volumes). Everything is
// written and restored inside one private temporary folder, always with a destination folder.
#include "TBackupFile.h"

#include "FuzzWorkFolder.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdlib>

namespace {

QString workFolder()
{
    static const QString folder = fuzzWorkFolder("ksv-fuzz");
    return folder;
}

void writeVolume(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QString folder = workFolder();
    const QString first = folder + QLatin1String("/set.001");
    const QString out = folder + QLatin1String("/out");
    const unsigned options = data[0];
    const QByteArray input(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    QList<QByteArray> parts;
    qsizetype from = 0;
    while (parts.size() < 2) {
        const qsizetype at = input.indexOf("KSVVOL", from);
        if (at < 0)
            break;
        parts << input.mid(from, at - from);
        from = at + 6;
    }
    parts << input.mid(from);
    for (int i = 0; i < 3; ++i) {
        const QString name = ksv::TBackupFile::VolumeName(first, i + 1);
        if (i < parts.size())
            writeVolume(name, parts.at(i));
        else
            QFile::remove(name);
    }

    ksv::TBackupFile engine;
    engine.setRestoreMode(ksv::TRestoreMode(options % 5));
    engine.setRestoreFullPath((options & 8) != 0);
    engine.setOnNeedDisk([&first](ksv::TBackupFile*, quint16 disk, bool& Continue) {
        Continue = QFileInfo(ksv::TBackupFile::VolumeName(first, disk)).isFile();
    });
    engine.setOnError([](ksv::TBackupFile*, qint32, const QString&) {});
    engine.Restore(first, out);
    engine.ReadCatalog(first);
    QDir(out).removeRecursively();
    return 0;
}
