#include "FreeSpaceCaption.h"

#include "PackageFiles.h"
#include "RunnerTexts.h"

#include <cmath>

namespace ksv::FreeSpaceCaption {

QString sizeText(qint64 freeBytes)
{
    if (freeBytes < 0)
        return {};
    return QStringLiteral("( ") + QString::number(std::llround(double(freeBytes) / 1048576.0)) + QStringLiteral(" Mo )");
}

QString caption(const QString& comboText, const QString& previous, qint64 freeBytes,
                const std::function<qint64()>& folderBytes)
{
    if (comboText.size() > 4)
        return QStringLiteral("Occupy (") + getkb(folderBytes()) + QLatin1Char(')');
    if (comboText.size() > 1)
        return RunnerTexts::freeSpaceCaption() + comboText.left(3) + QLatin1Char(' ') + sizeText(freeBytes);
    return previous;
}

} // namespace ksv::FreeSpaceCaption
