#include "SfxFormat.h"

#include "ZipDirectory.h"
#include "ZipTexts.h"

#include "AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace ksv {

namespace {

constexpr char SettingsMagic[8] = {'K', 'S', 'V', 'S', 'F', 'X', '\x01', '\x00'};
constexpr char FooterMagic[8] = {'K', 'S', 'V', 'S', 'F', 'X', 'E', '\x01'};
constexpr int FooterSize = 16;

enum Tag : quint16 { Caption = 1, DefaultFolder = 2, CommandLine = 3, Message = 4, Icon = 5, Overwrite = 6, Options = 7 };

quint16 get16(const char* p)
{
    return static_cast<quint16>(static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[1]) << 8));
}
quint32 get32(const char* p)
{
    return static_cast<quint32>(get16(p)) | (static_cast<quint32>(get16(p + 2)) << 16);
}
quint64 get64(const char* p)
{
    return static_cast<quint64>(get32(p)) | (static_cast<quint64>(get32(p + 4)) << 32);
}
void put16(char* p, quint16 v)
{
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}
void put32(char* p, quint32 v)
{
    put16(p, static_cast<quint16>(v & 0xFFFF));
    put16(p + 2, static_cast<quint16>(v >> 16));
}
void put64(char* p, quint64 v)
{
    put32(p, static_cast<quint32>(v & 0xFFFFFFFFu));
    put32(p + 4, static_cast<quint32>(v >> 32));
}
void append16(QByteArray& out, quint16 v)
{
    char b[2];
    put16(b, v);
    out.append(b, 2);
}
void append32(QByteArray& out, quint32 v)
{
    char b[4];
    put32(b, v);
    out.append(b, 4);
}

using Layout = ZipDirectory::Layout;

Status readLayout(QFile& file, Layout& layout)
{
    auto read = ZipDirectory::read(file);
    if (!read)
        return Status::failure(read.status().code(), ZipTexts::badArchive(file.fileName(), read.status().message()));
    layout = *read;
    return Status::ok();
}

// Moves every offset of the central directory and end records: new = actual - zipStart + prefix.
// The fields written are the ones the bounded walk found, inside the copies given.
Status moveOffsets(const Layout& layout, qint64 prefix, QByteArray& directory, QByteArray& records,
                   const QString& name)
{
    const qint64 shift = layout.delta - layout.zipStart + prefix;
    auto fits32 = [](qint64 v) { return v >= 0 && v < 0xFFFFFFFF; };
    const auto tooFar = [&] {
        return Status::failure(ZipCode::General,
                               ZipTexts::badArchive(name, QStringLiteral("offsets do not fit the 32-bit fields")));
    };
    ZipDirectory::Walker walker(layout.directory);
    ZipDirectory::Record record;
    while (walker.next(record)) {
        if (record.localOffset > static_cast<quint64>(layout.fileSize))
            return Status::failure(ZipCode::BadArchive, ZipTexts::badArchive(name, QStringLiteral("entry outside the file")));
        const qint64 moved = static_cast<qint64>(record.localOffset) + shift;
        char* field = directory.data() + record.localOffsetField;
        if (record.localOffsetWidth == 8) {
            if (moved < 0)
                return tooFar();
            put64(field, static_cast<quint64>(moved));
        } else {
            if (!fits32(moved))
                return tooFar();
            put32(field, static_cast<quint32>(moved));
        }
    }
    if (!walker.error().isEmpty())
        return Status::failure(ZipCode::BadArchive, ZipTexts::badArchive(name, walker.error()));
    // records: [ZIP64 end record .. locator ..] end record, as they are in the file (their
    // places were checked when the layout was read).
    char* r = records.data();
    const qint64 base = layout.eocd64 >= 0 ? layout.eocd64 : layout.eocd;
    if (layout.eocd64 >= 0) {
        char* rec = r + (layout.eocd64 - base);
        put64(rec + 48, get64(rec + 48) + static_cast<quint64>(shift));
        char* loc = r + (layout.locator - base);
        put64(loc + 8, get64(loc + 8) + static_cast<quint64>(shift));
    }
    char* eocd = r + (layout.eocd - base);
    const qint64 stored = get32(eocd + 16);
    if (stored != 0xFFFFFFFF) {
        const qint64 moved = stored + shift;
        if (!fits32(moved))
            return tooFar();
        put32(eocd + 16, static_cast<quint32>(moved));
    }
    return Status::ok();
}

// Writes prefix + the ZIP data of source with moved offsets as the whole new content of
// target: the old target stays as it was unless every byte was written and synced.
Status writeConverted(const QString& sourcePath, const QByteArray& prefix, const QString& targetPath, bool executable)
{
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        return Status::failure(ZipCode::BadArchive, ZipTexts::badArchive(sourcePath, source.errorString()));
    Layout layout;
    if (Status s = readLayout(source, layout); !s)
        return s;
    QByteArray directory = layout.directory;
    const qint64 recordsStart = layout.eocd64 >= 0 ? layout.eocd64 : layout.eocd;
    QByteArray records;
    if (source.seek(recordsStart))
        records = source.read(layout.fileSize - recordsStart);
    if (records.size() != layout.fileSize - recordsStart)
        return Status::failure(ZipCode::BadArchive, ZipTexts::badArchive(sourcePath, source.errorString()));
    if (Status s = moveOffsets(layout, prefix.size(), directory, records, sourcePath); !s)
        return s;

    AtomicFile out(targetPath);
    const auto failWrite = [&](const Status& why) {
        out.discard();
        if (out.diskFull())
            return Status::failure(ZipCode::DiskFull, ZipTexts::diskFull(targetPath));
        return Status::failure(ZipCode::WriteError, ZipTexts::cannotWrite(targetPath, why.message()));
    };
    if (Status s = out.open(); !s)
        return failWrite(s);
    if (!out.write(prefix))
        return failWrite(out.status());
    qint64 remaining = layout.cdActual - layout.zipStart;
    if (!source.seek(layout.zipStart))
        return failWrite(Status::failure(EIO, source.errorString()));
    while (remaining > 0) {
        const QByteArray buffer = source.read(std::min<qint64>(remaining, 1 << 20));
        if (buffer.isEmpty())
            return failWrite(Status::failure(EIO, source.errorString()));
        if (!out.write(buffer))
            return failWrite(out.status());
        remaining -= buffer.size();
    }
    if (!out.write(directory) || !out.write(records))
        return failWrite(out.status());
    if (Status s = out.commit(); !s)
        return failWrite(s);
    // A new file gets the usual permissions; the program also the right to run.
    if (executable) {
        QFile target(out.targetPath());
        target.setPermissions(target.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeGroup
                              | QFileDevice::ExeOther);
    }
    return Status::ok();
}

} // namespace

QByteArray SfxFormat::encodeSettings(const SfxSettings& settings, qint64 stubLength)
{
    QByteArray block(SettingsMagic, sizeof(SettingsMagic));
    auto field = [&](Tag tag, const QByteArray& data) {
        append16(block, tag);
        append32(block, static_cast<quint32>(data.size()));
        block.append(data);
    };
    auto number = [](quint32 v) {
        QByteArray b(4, '\0');
        put32(b.data(), v);
        return b;
    };
    field(Caption, settings.caption.toUtf8());
    field(DefaultFolder, settings.defaultFolder.toUtf8());
    field(CommandLine, settings.commandLine.toUtf8());
    field(Message, settings.message.toUtf8());
    field(Icon, settings.icon);
    field(Overwrite, number(static_cast<quint32>(settings.overwriteMode)));
    field(Options, number(settings.options));
    const qint64 blockLength = block.size();
    append32(block, static_cast<quint32>(blockLength));
    append32(block, static_cast<quint32>(stubLength));
    block.append(FooterMagic, sizeof(FooterMagic));
    return block;
}

Result<qint64> SfxFormat::zipStart(const QString& nativePath)
{
    QFile file(nativePath);
    if (!file.open(QIODevice::ReadOnly))
        return Status::failure(ZipCode::BadArchive, ZipTexts::badArchive(nativePath, file.errorString()));
    Layout layout;
    if (Status s = readLayout(file, layout); !s)
        return s;
    return layout.zipStart;
}

Status SfxFormat::makeSelfExtracting(const QString& zipPath, const QString& stubPath, const SfxSettings& settings,
                                     const QString& exePath)
{
    QFile stub(stubPath);
    if (stubPath.isEmpty() || !stub.open(QIODevice::ReadOnly))
        return Status::failure(ZipCode::StubMissing, ZipTexts::stubMissing(QStringLiteral("ZipSFX.bin")));
    QByteArray prefix = stub.readAll();
    const qint64 stubLength = prefix.size();
    prefix += encodeSettings(settings, stubLength);
    return writeConverted(zipPath, prefix, exePath, true);
}

Status SfxFormat::makeZip(const QString& exePath, const QString& zipPath)
{
    auto start = zipStart(exePath);
    if (!start)
        return start.status();
    return writeConverted(exePath, QByteArray(), zipPath, false);
}

Result<SfxSettings> SfxFormat::readSettings(const QString& exePath)
{
    QFile file(exePath);
    if (!file.open(QIODevice::ReadOnly))
        return Status::failure(ZipCode::NotSelfExtracting, ZipTexts::notSelfExtracting(exePath));
    Layout layout;
    if (Status s = readLayout(file, layout); !s)
        return s;
    if (layout.zipStart < FooterSize || !file.seek(layout.zipStart - FooterSize))
        return Status::failure(ZipCode::NotSelfExtracting, ZipTexts::notSelfExtracting(exePath));
    const QByteArray footer = file.read(FooterSize);
    if (footer.size() != FooterSize || std::memcmp(footer.constData() + 8, FooterMagic, 8) != 0)
        return Status::failure(ZipCode::NotSelfExtracting, ZipTexts::notSelfExtracting(exePath));
    const qint64 blockLength = get32(footer.constData());
    const qint64 blockStart = layout.zipStart - FooterSize - blockLength;
    if (blockStart < 0 || !file.seek(blockStart))
        return Status::failure(ZipCode::NotSelfExtracting, ZipTexts::notSelfExtracting(exePath));
    const QByteArray block = file.read(blockLength);
    if (block.size() != blockLength || block.size() < 8 || std::memcmp(block.constData(), SettingsMagic, 8) != 0)
        return Status::failure(ZipCode::NotSelfExtracting, ZipTexts::notSelfExtracting(exePath));
    SfxSettings settings;
    qint64 pos = 8;
    while (pos + 6 <= block.size()) {
        const quint16 tag = get16(block.constData() + pos);
        const qint64 length = get32(block.constData() + pos + 2);
        pos += 6;
        if (pos + length > block.size())
            return Status::failure(ZipCode::NotSelfExtracting, ZipTexts::notSelfExtracting(exePath));
        const QByteArray data = block.mid(pos, length);
        pos += length;
        switch (tag) {
        case Caption: settings.caption = QString::fromUtf8(data); break;
        case DefaultFolder: settings.defaultFolder = QString::fromUtf8(data); break;
        case CommandLine: settings.commandLine = QString::fromUtf8(data); break;
        case Message: settings.message = QString::fromUtf8(data); break;
        case Icon: settings.icon = data; break;
        case Overwrite:
            if (data.size() == 4)
                settings.overwriteMode = static_cast<SfxOverwriteMode>(std::min<quint32>(get32(data.constData()), 2));
            break;
        case Options:
            if (data.size() == 4)
                settings.options = get32(data.constData());
            break;
        default: break; // fields of later versions are skipped
        }
    }
    return settings;
}

} // namespace ksv
