#include "PackagePaths.h"

#include "NativePath.h"
#include "PackageStrings.h"
#include "ProgramFolder.h"

#include <QDir>
#include <QStandardPaths>

namespace ksv {

namespace {

bool isSeparator(QChar c)
{
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

QString folderWithSlash(const QString& nativeFolder)
{
    return AppendSlash(NativePath::toDos(QDir::cleanPath(nativeFolder)));
}

} // namespace

QString AppendSlash(const QString& S)
{
    if (S.isEmpty())
        return S;
    QString out = S;
    while (out.size() > 1 && isSeparator(out.back()) && isSeparator(out.at(out.size() - 2)))
        out.chop(1);
    if (isSeparator(out.back()))
        return out;
    return out + (out.startsWith(QLatin1Char('/')) ? QLatin1Char('/') : QLatin1Char('\\'));
}

QString RemoveSlash(const QString& S)
{
    QString out = S;
    while (!out.isEmpty() && isSeparator(out.back()))
        out.chop(1);
    return out;
}

QString CheminProg()
{
    return AppendSlash(ProgramFolder::dos());
}

QString DossierDemarrer()
{
    return folderWithSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/applications"));
}

QString DossierBureau()
{
    return folderWithSlash(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
}

QString FileNameAlone(const QString& N)
{
    QString name = N;
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        if (isSeparator(name.at(i)) || (i == 1 && name.at(i) == QLatin1Char(':'))) {
            name = name.mid(i + 1);
            break;
        }
    }
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

QString MakeArchName(const QString& P, bool IsExe, bool WithExt)
{
    qsizetype cut = -1;
    for (qsizetype i = P.size() - 1; i >= 0 && cut < 0; --i) {
        if (isSeparator(P.at(i)))
            cut = i;
    }
    QString name = P.mid(cut + 1);
    if (WithExt)
        name += IsExe ? QStringLiteral(".exe") : QStringLiteral(".zip");
    return name;
}

QString WorkOnDirString(const QString& Dir, const QString& Line)
{
    QString value = Line.contains(QLatin1Char('=')) ? droite(QStringLiteral("="), Line) : Line;
    value = value.trimmed();
    while (value.startsWith(QLatin1String(".\\")) || value.startsWith(QLatin1String("./")))
        value = value.mid(2);
    while (!value.isEmpty() && isSeparator(value.front()))
        value = value.mid(1);
    if (Dir.trimmed().isEmpty())
        return value;
    return AppendSlash(Dir.trimmed()) + value;
}

QString GetShellPathName(const QString& P)
{
    if (P.isEmpty())
        return P;
    if (P.startsWith(QLatin1Char('/')))
        return NativePath::toDos(P);
    const QString native = NativePath::of(P);
    if (native.isEmpty() || !native.startsWith(QLatin1Char('/')))
        return P;
    const QString dos = NativePath::toDos(native);
    if (dos.startsWith(QLatin1Char('/')))
        return P;
    // Keep a trailing separator the caller gave.
    if (isSeparator(P.back()))
        return AppendSlash(dos);
    return dos;
}

} // namespace ksv
