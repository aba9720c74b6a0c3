#include "CustomIcon.h"

#include "NativePath.h"
#include "PackageConstants.h"
#include "ProgramFolder.h"

#include <QImageReader>
#include <QLabel>
#include <QPixmap>

namespace ksv {

namespace {

QImage readIcon(const QString& nativePath, int index)
{
    if (nativePath.isEmpty() || index < 0)
        return {};
    QImageReader reader(nativePath);
    if (!reader.canRead())
        return {};
    if (index > 0 && !reader.jumpToImage(index))
        return {};
    return reader.read();
}

QImage defaultIcon()
{
    return readIcon(ProgramFolder::findAsset(IconeDefautN), 0);
}

} // namespace

QImage LoadCustomIcon(const QString& F, int I)
{
    const QImage own = readIcon(NativePath::of(F.trimmed()), I);
    return own.isNull() ? defaultIcon() : own;
}

bool LoadCustomIcon(const QString& F, int I, QLabel* Img)
{
    const QImage own = readIcon(NativePath::of(F.trimmed()), I);
    const QImage shown = own.isNull() ? defaultIcon() : own;
    if (Img) {
        if (shown.isNull())
            Img->clear();
        else
            Img->setPixmap(QPixmap::fromImage(shown));
    }
    return !own.isNull();
}

} // namespace ksv
