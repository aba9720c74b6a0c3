#include "PackageStrings.h"

#include <QStringList>

namespace ksv {

QString gauche(const QString& Sep, const QString& S)
{
    const qsizetype i = Sep.isEmpty() ? -1 : S.indexOf(Sep);
    return i < 0 ? S : S.left(i);
}

QString droite(const QString& Sep, const QString& S)
{
    const qsizetype i = Sep.isEmpty() ? -1 : S.indexOf(Sep);
    return i < 0 ? QString() : S.mid(i + Sep.size());
}

QString DroiteDroite(const QString& Sep, const QString& S)
{
    const qsizetype i = Sep.isEmpty() ? -1 : S.lastIndexOf(Sep);
    return i < 0 ? S : S.mid(i + Sep.size());
}

QString GaucheNDroite(const QString& Sep, const QString& S, int N)
{
    if (N < 1)
        return {};
    if (Sep.isEmpty())
        return N == 1 ? S : QString();
    const QStringList fields = S.split(Sep);
    return N <= fields.size() ? fields.at(N - 1) : QString();
}

QString Extraire_des_Separateurs(const QString& Sep, const QString& S, int N)
{
    return GaucheNDroite(Sep, S, N);
}

int NbSousChaine(const QString& X, const QString& S)
{
    if (X.isEmpty())
        return 0;
    int count = 0;
    for (qsizetype i = S.indexOf(X); i >= 0; i = S.indexOf(X, i + X.size()))
        ++count;
    return count;
}

bool IsStringNumber(const QString& S)
{
    if (S.isEmpty())
        return false;
    for (const QChar c : S) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

bool IsStringGoodForDirectory(const QString& S)
{
    if (S.isEmpty())
        return false;
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    for (const QChar c : S) {
        if (c.unicode() < 0x20 || forbidden.contains(c))
            return false;
    }
    return true;
}

QString ajoutheur(int H, int M)
{
    return QStringLiteral("%1:%2")
        .arg(qBound(0, H, 99), 2, 10, QLatin1Char('0'))
        .arg(qBound(0, M, 99), 2, 10, QLatin1Char('0'));
}

} // namespace ksv
