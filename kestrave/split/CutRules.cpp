#include "CutRules.h"

#include "SplitTexts.h"

#include <algorithm>

namespace ksv::CutRules {

namespace {

qsizetype lastSeparator(const QString& path)
{
    return std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
}

} // namespace

std::optional<qint32> freeSizeKilobytes(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 value = trimmed.toLongLong(&ok);
    // The field takes five digits; a larger value set from outside is refused rather than wrapped.
    if (!ok || value < 0 || value > 99999)
        return std::nullopt;
    return qint32(value);
}

std::optional<qint32> freeSizeBytes(const QString& text)
{
    const std::optional<qint32> kilobytes = freeSizeKilobytes(text);
    if (!kilobytes)
        return std::nullopt;
    return *kilobytes * 1024;
}

qint32 firstFloppyLimit(qint64 setupSize)
{
    const qint64 room = FloppyCutLimit - FloppyWithSetupLimit;
    if (setupSize <= room)
        return FloppyWithSetupLimit;
    // Keep a block of slack for the program's last cluster; a program too large to share the
    // disk with a useful piece leaves the usual limit.
    const qint64 reduced = qint64(FloppyCutLimit) - setupSize - EstimateBlock;
    return reduced > 4 * EstimateBlock ? qint32(reduced) : FloppyWithSetupLimit;
}

std::optional<qint64> estimatePieces(qint64 fileSize, qint64 limit)
{
    // A limit of one block or less would divide by zero or give a negative count.
    if (limit <= EstimateBlock || fileSize < 0)
        return std::nullopt;
    return fileSize / (limit - EstimateBlock) + 1;
}

QString estimateText(const QString& fileName, qint64 fileSize, qint64 limit)
{
    const std::optional<qint64> pieces = estimatePieces(fileSize, limit);
    return SplitTexts::estimate(fileName, pieces ? QString::number(*pieces) : SplitTexts::estimateUnknown());
}

QString fileNameOf(const QString& path)
{
    QString name = path.mid(lastSeparator(path) + 1);
    if (name.size() == 2 && name.at(1) == QLatin1Char(':'))
        return {};
    return name;
}

QString folderOf(const QString& path)
{
    return path.left(lastSeparator(path) + 1);
}

QString firstPieceName(const QString& destinationFolder, const QString& sourcePath)
{
    QString name = fileNameOf(sourcePath);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return destinationFolder + name + QStringLiteral(".001");
}

} // namespace ksv::CutRules
