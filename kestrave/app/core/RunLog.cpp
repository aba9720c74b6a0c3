#include "RunLog.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

namespace ksv {

void RunLog::load(const QString& nativePath)
{
    m_lines.clear();
    QFile file(nativePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray data = file.readAll();
    QString text = QString::fromUtf8(data);
    if (text.contains(QChar::ReplacementCharacter) && !data.contains("\xEF\xBF\xBD"))
        text = QString::fromLatin1(data); // an older log written in a legacy code page
    m_lines = splitLines(text);
    // A final line end does not open one more (empty) line.
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast();
}

bool RunLog::save(const QString& nativePath) const
{
    QSaveFile file(nativePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray data;
    for (const QString& line : m_lines) {
        data += line.toUtf8();
        data += '\n';
    }
    if (file.write(data) != data.size())
        return false;
    return file.commit();
}

QStringList RunLog::append(const QString& text)
{
    const QStringList added = splitLines(text);
    m_lines += added;
    return added;
}

QStringList RunLog::splitLines(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return text.split(lineBreak);
}

} // namespace ksv
