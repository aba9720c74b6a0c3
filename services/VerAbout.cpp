#include "VerAbout.h"

#include <QFile>
#include <QSysInfo>

#include <elf.h>

#include <array>
#include <cstring>

namespace ksv {

namespace {

constexpr std::array<const char*, 8> infoNames{
    "CompanyName",    "FileDescription",  "FileVersion", "InternalName",
    "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion"};

const char sectionName[] = ".ksv_version";
const QByteArray blockMagic = QByteArrayLiteral("KSVVINFO");
constexpr qint64 headerSize = 12;                 // magic + total length
constexpr qint64 largestBlock = 1024 * 1024;      // a sane bound for a damaged file

// The unsigned number of width bytes stored little-endian at offset at (in range).
quint32 littleEndianAt(const QByteArray& bytes, qsizetype at, int width)
{
    quint32 value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | static_cast<quint8>(bytes.at(at + i));
    return value;
}

bool readAt(QFile& file, qint64 offset, void* into, qint64 size)
{
    if (offset < 0 || size < 0 || offset > file.size() || size > file.size() - offset)
        return false;
    return file.seek(offset) && file.read(static_cast<char*>(into), size) == size;
}

// Finds the section by name in an ELF file of one class (32 or 64 bits) in native byte order.
template <typename Ehdr, typename Shdr>
std::optional<VersionInfo::Location> findSection(QFile& file)
{
    Ehdr header;
    if (!readAt(file, 0, &header, sizeof header))
        return std::nullopt;
    if (header.e_shoff == 0 || header.e_shnum == 0 || header.e_shentsize != sizeof(Shdr)
        || header.e_shstrndx == SHN_UNDEF || header.e_shstrndx >= header.e_shnum)
        return std::nullopt;
    const auto sectionHeader = [&](quint32 index, Shdr& out) {
        return readAt(file, qint64(header.e_shoff) + qint64(index) * qint64(sizeof(Shdr)), &out, sizeof out);
    };
    Shdr names;
    if (!sectionHeader(header.e_shstrndx, names) || names.sh_type != SHT_STRTAB)
        return std::nullopt;
    for (quint32 i = 0; i < header.e_shnum; ++i) {
        Shdr section;
        if (!sectionHeader(i, section))
            return std::nullopt;
        if (section.sh_type != SHT_PROGBITS || section.sh_name >= names.sh_size)
            continue;
        char name[sizeof sectionName] = {};
        const qint64 available = std::min<qint64>(sizeof name, qint64(names.sh_size - section.sh_name));
        if (!readAt(file, qint64(names.sh_offset) + section.sh_name, name, available))
            continue;
        if (available == qint64(sizeof name) && std::memcmp(name, sectionName, sizeof name) == 0)
            return VersionInfo::Location{qint64(section.sh_offset), qint64(section.sh_size)};
    }
    return std::nullopt;
}

} // namespace

QString infoName(TInfo key)
{
    const auto index = static_cast<std::size_t>(key);
    return index < infoNames.size() ? QString::fromLatin1(infoNames[index]) : QString();
}

namespace VersionInfo {

std::optional<Location> locate(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    unsigned char ident[EI_NIDENT] = {};
    if (!readAt(file, 0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0)
        return std::nullopt;
    const unsigned char nativeData = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? ELFDATA2LSB : ELFDATA2MSB;
    if (ident[EI_DATA] != nativeData)
        return std::nullopt;
    if (ident[EI_CLASS] == ELFCLASS64)
        return findSection<Elf64_Ehdr, Elf64_Shdr>(file);
    if (ident[EI_CLASS] == ELFCLASS32)
        return findSection<Elf32_Ehdr, Elf32_Shdr>(file);
    return std::nullopt;
}

std::optional<QByteArray> read(const QString& path)
{
    const auto where = locate(path);
    if (!where || where->size < headerSize)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray header(headerSize, '\0');
    if (!readAt(file, where->offset, header.data(), headerSize) || !header.startsWith(blockMagic))
        return std::nullopt;
    const qint64 length = littleEndianAt(header, blockMagic.size(), 4);
    // The section may carry padding after the block, never less than the block.
    if (length < headerSize || length > where->size || length > largestBlock)
        return std::nullopt;
    QByteArray block(length, '\0');
    if (!readAt(file, where->offset, block.data(), length))
        return std::nullopt;
    return block;
}

std::optional<QByteArray> query(const QByteArray& block, const QString& subBlock)
{
    if (block.size() < headerSize || !block.startsWith(blockMagic))
        return std::nullopt;
    qint64 at = headerSize;
    while (at + 4 <= block.size()) {
        const qint64 keyLength = littleEndianAt(block, at, 2);
        const qint64 valueLength = littleEndianAt(block, at + 2, 2);
        at += 4;
        if (keyLength + valueLength > block.size() - at)
            return std::nullopt; // a record running past the block: the rest cannot be trusted
        const QByteArray key = block.mid(at, keyLength);
        if (QString::fromUtf8(key).compare(subBlock, Qt::CaseInsensitive) == 0)
            return block.mid(at + keyLength, valueLength);
        at += keyLength + valueLength;
    }
    return std::nullopt;
}

} // namespace VersionInfo

void GetFileVersionString(const QString& path, TInfo key, QString& value)
{
    const auto block = VersionInfo::read(path);
    if (!block)
        return;
    // The strings are filed under the first translation: language, then code page, as four
    // upper-case hexadecimal digits each. Without translation table the language part stays
    // empty, and no string is found under it.
    QString language;
    const auto translation = VersionInfo::query(*block, QStringLiteral("\\VarFileInfo\\Translation"));
    if (translation && translation->size() >= 4) {
        const quint32 entry = littleEndianAt(*translation, 0, 4);
        language = QStringLiteral("%1%2")
                       .arg(entry & 0xFFFFu, 4, 16, QLatin1Char('0'))
                       .arg(entry >> 16, 4, 16, QLatin1Char('0'))
                       .toUpper();
    }
    const auto text =
        VersionInfo::query(*block, QStringLiteral("\\StringFileInfo\\") + language + QLatin1Char('\\') + infoName(key));
    if (!text)
        return;
    const qsizetype end = text->indexOf('\0');
    const QString found = QString::fromUtf8(end < 0 ? *text : text->left(end));
    if (!found.isEmpty())
        value = found;
}

void GetVersionString(TInfo key, QString& value)
{
    // The running program's own file; the link stays valid even when the file was replaced
    // since the start.
    GetFileVersionString(QStringLiteral("/proc/self/exe"), key, value);
}

} // namespace ksv
