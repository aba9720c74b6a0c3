#include "AdminPassword.h"

#include <QCryptographicHash>
#include <QStringList>

namespace ksv::AdminPassword {

QString digest(const QString& typed)
{
    const QByteArray hex =
        QCryptographicHash::hash(typed.toUtf8(), QCryptographicHash::Sha1).toHex().toUpper();
    QStringList words;
    for (qsizetype i = 0; i < hex.size(); i += 8)
        words.append(QString::fromLatin1(hex.mid(i, 8)));
    return words.join(QLatin1Char(' '));
}

bool matches(const QString& storedDigest, const QString& typed)
{
    return digest(typed) == storedDigest;
}

} // namespace ksv::AdminPassword
