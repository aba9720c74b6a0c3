#include "SfxFormat.h"

#include "ZipTexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace ksv {

namespace {

constexpr char SettingsMagic[8] = {'K', 'S', 'V', 'S', 'F', 'X', '\x01', '\x00'};
constexpr char FooterMagic[8] = {'K', 'S', 'V', 'S', 'F', 'X', 'E', '\x01'};
constexpr int FooterSize = 16;
constexpr qint64 MaxComment = 0xFFFF;

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

// The end records and central directory of a ZIP file, as found in it.
struct ZipLayout
{
    qint64 fileSize = 0;
    qint64 eocd = 0;          // position of the end record
    qint64 locator = -1;      // position of the ZIP64 locator, -1 without
    qint64 eocd64 = -1;       // actual position of the ZIP64 end record
    qint64 cdActual = 0;      // where the central directory really is
    qint64 cdSize = 0;
    qint64 cdStored = 0;      // the offset the end record gives for it
    qint64 delta = 0;         // actual position - stored offset
    qint64 zipStart = 0;      // actual position of the first local header (or of the directory)
    QByteArray directory;     // the central directory bytes
};

Status readLayout(QFile& file, ZipLayout& layout)
{
    const QString name = file.fileName();
    layout.fileSize = file.size();
    const qint64 tail = std::min<qint64>(layout.fileSize, 22 + MaxComment);
    if (tail < 22 || !file.seek(layout.fileSize - tail))
        return Status::failure(ZipCode::BadArchive, ZipTexts::badArchive(name, QStringLiteral("no end record")));
    const QByteArray end = file.read(tail);
    qint64 found = -1;
    for (qint64 i = end.size() - 22; i >= 0; --i) {
        const char* p = end.constData() + i;
        if (p[0] == 'P' && p[1] == 'K' && p[2] == 5 && p[3] == 6) {
            const qint64 commentLength = get16(p + 20);
            if (i + 22 + commentLength == end.size()) {
                found = i;
                break;
            }
            if (found < 0)
                found = i;
        }
    }
    if (found < 0)
        return Status::failure(ZipCode::BadArchive, ZipTexts::badArchive(name, QStringLiteral("no end record")));
    layout.eocd = layout.fileSize - tail + found;
    const char* endRecord = end.constData() + found;
    layout.cdSize = get32(endRecord + 12);
    layout.cdStored = get32(endRecord + 16);
    qint64 recordStart = layout.eocd;

    // A ZIP64 locator sits just before the end record.
    if (layout.eocd >= 20) {
        file.seek(layout.eocd - 20);
        const QByteArray loc = file.read(20);
        if (loc.size() == 20 && loc[0] == 'P' && loc[1] == 'K' && loc[2] == 6 && loc[3] == 7) {
            layout.locator = layout.eocd - 20;
            // The ZIP64 end record is 56 bytes (without extensible data) before the locator.
            qint64 record = layout.locator - 56;
            QByteArray rec;
            if (record >= 0 && file.seek(record))
                rec = file.read(56);
            if (rec.size() != 56 || rec[0] != 'P' || rec[1] != 'K' || rec[2] != 6 || rec[3] != 6) {
                // With extensible data the record is longer: trust the locator's offset.
                record = static_cast<qint64>(get64(loc.constData() + 8));
                if (!file.seek(record))
                    return Status::failure(ZipCode::BadArchive, ZipTexts::badArchive(name, QStringLiteral("bad ZIP64 record")));
                rec = file.read(56);
                if (rec.size() != 56 || rec[0] != 'P' || rec[1] != 'K' || rec[2] != 6 || rec[3] != 6)
                    return Status::failure(ZipCode::BadArchive, ZipTexts::badArchive(name, QStringLiteral("bad ZIP64 record")));
            }
            layout.eocd64 = record;
            layout.cdSize = static_cast<qint64>(get64(rec.constData() + 40));
            layout.cdStored = static_cast<qint64>(get64(rec.constData() + 48));
            recordStart = record;
        }
    }
    layout.cdActual = recordStart - layout.cdSize;
    if (layout.cdActual < 0)
        return Status::failure(ZipCode::BadArchive, ZipTexts::badArchive(name, QStringLiteral("bad central directory")));
    layout.delta = layout.cdActual - layout.cdStored;
    if (!file.seek(layout.cdActual))
        return Status::failure(ZipCode::BadArchive, ZipTexts::badArchive(name, QStringLiteral("bad central directory")));
    layout.directory = file.read(layout.cdSize);
    if (layout.directory.size() != layout.cdSize)
        return Status::failure(ZipCode::BadArchive, ZipTexts::badArchive(name, QStringLiteral("short central directory")));

    // The first local header is where the ZIP data begins.
    qint64 first = layout.cdActual;
    qint64 pos = 0;
    const char* d = layout.directory.constData();
    while (pos + 46 <= layout.cdSize) {
        if (!(d[pos] == 'P' && d[pos + 1] == 'K' && d[pos + 2] == 1 && d[pos + 3] == 2))
            return Status::failure(ZipCode::BadArchive, ZipTexts::badArchive(name, QStringLiteral("bad directory entry")));
        const qint64 nameLength = get16(d + pos + 28);
        const qint64 extraLength = get16(d + pos + 30);
        const qint64 commentLength = get16(d + pos + 32);
        qint64 offset = get32(d + pos + 42);
        if (offset == 0xFFFFFFFF) {
            // ZIP64 extra field: sizes first when they overflow, then the offset.
            qint64 e = pos + 46 + nameLength;
            const qint64 extraEnd = e + extraLength;
            while (e + 4 <= extraEnd) {
                const quint16 id = get16(d + e);
                const quint16 size = get16(d + e + 2);
                if (id == 0x0001) {
                    qint64 f = e + 4;
                    if (get32(d + pos + 24) == 0xFFFFFFFF)
                        f += 8;
                    if (get32(d + pos + 20) == 0xFFFFFFFF)
                        f += 8;
                    if (f + 8 <= e + 4 + size)
                        offset = static_cast<qint64>(get64(d + f));
                    break;
                }
                e += 4 + size;
            }
        }
        first = std::min(first, offset + layout.delta);
        pos += 46 + nameLength + extraLength + commentLength;
    }
    layout.zipStart = std::max<qint64>(0, first);
    return Status::ok();
}

// Moves every offset of the central directory and end records: new = actual - zipStart + prefix.
Status moveOffsets(const ZipLayout& layout, qint64 prefix, QByteArray& directory, QByteArray& records,
                   const QString& name)
{
    const qint64 shift = layout.delta - layout.zipStart + prefix;
    auto fits32 = [](qint64 v) { return v >= 0 && v < 0xFFFFFFFF; };
    char* d = directory.data();
    qint64 pos = 0;
    while (pos + 46 <= directory.size()) {
        const qint64 nameLength = get16(d + pos + 28);
        const qint64 extraLength = get16(d + pos + 30);
        const qint64 commentLength = get16(d + pos + 32);
        const qint64 offset = get32(d + pos + 42);
        if (offset == 0xFFFFFFFF) {
            qint64 e = pos + 46 + nameLength;
            const qint64 extraEnd = e + extraLength;
            while (e + 4 <= extraEnd) {
                const quint16 id = get16(d + e);
                const quint16 size = get16(d + e + 2);
                if (id == 0x0001) {
                    qint64 f = e + 4;
                    if (get32(d + pos + 24) == 0xFFFFFFFF)
                        f += 8;
                    if (get32(d + pos + 20) == 0xFFFFFFFF)
                        f += 8;
                    if (f + 8 <= e + 4 + size)
                        put64(d + f, static_cast<quint64>(static_cast<qint64>(get64(d + f)) + shift));
                    break;
                }
                e += 4 + size;
            }
        } else {
            const qint64 moved = offset + shift;
            if (!fits32(moved))
                return Status::failure(ZipCode::General,
                                       ZipTexts::badArchive(name, QStringLiteral("offsets do not fit the 32-bit fields")));
            put32(d + pos + 42, static_cast<quint32>(moved));
        }
        pos += 46 + nameLength + extraLength + commentLength;
    }
    // records: [ZIP64 end record .. locator ..] end record, as they are in the file.
    char* r = records.data();
    const qint64 base = layout.eocd64 >= 0 ? layout.eocd64 : layout.eocd;
    if (layout.eocd64 >= 0) {
        char* rec = r + (layout.eocd64 - base);
        put64(rec + 48, static_cast<quint64>(static_cast<qint64>(get64(rec + 48)) + shift));
        char* loc = r + (layout.locator - base);
        put64(loc + 8, static_cast<quint64>(static_cast<qint64>(get64(loc + 8)) + shift));
    }
    char* eocd = r + (layout.eocd - base);
    const qint64 stored = get32(eocd + 16);
    if (stored != 0xFFFFFFFF) {
        const qint64 moved = stored + shift;
        if (!fits32(moved))
            return Status::failure(ZipCode::General,
                                   ZipTexts::badArchive(name, QStringLiteral("offsets do not fit the 32-bit fields")));
        put32(eocd + 16, static_cast<quint32>(moved));
    }
    return Status::ok();
}

// Writes prefix + the ZIP data of source with moved offsets to target, through a temporary
// file in the target's folder.
Status writeConverted(const QString& sourcePath, const QByteArray& prefix, const QString& targetPath, bool executable)
{
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        return Status::failure(ZipCode::BadArchive, ZipTexts::badArchive(sourcePath, source.errorString()));
    ZipLayout layout;
    if (Status s = readLayout(source, layout); !s)
        return s;
    QByteArray directory = layout.directory;
    const qint64 recordsStart = layout.eocd64 >= 0 ? layout.eocd64 : layout.eocd;
    source.seek(recordsStart);
    QByteArray records = source.read(layout.fileSize - recordsStart);
    if (Status s = moveOffsets(layout, prefix.size(), directory, records, sourcePath); !s)
        return s;

    // A temporary file named like the engine's others, so that an interrupted run's leftover is cleaned.
    const QString folder = QFileInfo(targetPath).absolutePath();
    QFile out(folder + QStringLiteral("/ZipTmp") + QString::number(QCoreApplication::applicationPid())
              + QStringLiteral("_") + QFileInfo(targetPath).fileName());
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Status::failure(ZipCode::WriteError, ZipTexts::cannotWrite(targetPath, out.errorString()));
    auto failWrite = [&](const QString& why) {
        out.close();
        out.remove();
        return Status::failure(ZipCode::WriteError, ZipTexts::cannotWrite(targetPath, why));
    };
    if (out.write(prefix) != prefix.size())
        return failWrite(out.errorString());
    source.seek(layout.zipStart);
    qint64 remaining = layout.cdActual - layout.zipStart;
    QByteArray buffer;
    while (remaining > 0) {
        buffer = source.read(std::min<qint64>(remaining, 1 << 20));
        if (buffer.isEmpty())
            return failWrite(source.errorString());
        if (out.write(buffer) != buffer.size())
            return failWrite(out.errorString());
        remaining -= buffer.size();
    }
    // Anything between the directory and the end records is kept as it is.
    source.seek(layout.cdActual + layout.cdSize);
    const QByteArray between = source.read(recordsStart - layout.cdActual - layout.cdSize);
    if (out.write(directory) != directory.size() || out.write(between) != between.size()
        || out.write(records) != records.size())
        return failWrite(out.errorString());
    if (!out.flush())
        return failWrite(out.errorString());
    QFileDevice::Permissions perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
        | QFileDevice::ReadOther;
    if (executable)
        perms |= QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    out.setPermissions(perms);
    out.close();
    // rename() replaces an existing target in one step: there is always either the old file
    // or the complete new one under the target's name.
    if (::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(targetPath).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        out.remove();
        return Status::failure(ZipCode::WriteError, ZipTexts::cannotWrite(targetPath, why));
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
    ZipLayout layout;
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
    ZipLayout layout;
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
