#include "RunLog.h"

#include "AtomicFile.h"
#include "FileWriteLock.h"
#include "WriteFailures.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>

namespace ksv {

namespace {

// The lines of a log file. A missing file has none; false when it exists but cannot be read.
bool readLogLines(const QString& nativePath, QStringList* lines)
{
    lines->clear();
    QFile file(nativePath);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    QString text = QString::fromUtf8(data);
    if (text.contains(QChar::ReplacementCharacter) && !data.contains("\xEF\xBF\xBD"))
        text = QString::fromLatin1(data); // an older log written in a legacy code page
    *lines = RunLog::splitLines(text);
    // A final line end does not open one more (empty) line.
    if (!lines->isEmpty() && lines->last().isEmpty())
        lines->removeLast();
    return true;
}

} // namespace

void RunLog::load(const QString& nativePath)
{
    if (!readLogLines(nativePath, &m_lines))
        m_lines.clear();
    m_fileLines = m_lines;
    m_savedCount = m_lines.size();
    m_cleared = false;
}

Status RunLog::save(const QString& nativePath)
{
    FileWriteLock lock(nativePath);
    if (!lock.isLocked()) {
        const QString reason = QStringLiteral("the file cannot be locked for writing");
        WriteFailures::report(nativePath, reason);
        return Status::failure(EACCES, reason);
    }
    QStringList current;
    if (!readLogLines(nativePath, &current)) {
        // Never replace a log that could not be read by this run's lines alone.
        const QString reason = QStringLiteral("the file cannot be read");
        WriteFailures::report(nativePath, reason);
        return Status::failure(EIO, reason);
    }
    QStringList merged;
    if (!m_cleared) {
        merged = current;
        merged += m_lines.mid(m_savedCount);
    } else {
        // What other runs added since this run last saw the file; all of it when they trimmed it.
        const bool grown = current.size() >= m_fileLines.size() &&
                           std::equal(m_fileLines.cbegin(), m_fileLines.cend(), current.cbegin());
        merged = grown ? current.mid(m_fileLines.size()) : current;
        merged += m_lines;
    }

    QByteArray data;
    for (const QString& line : std::as_const(merged)) {
        data += line.toUtf8();
        data += '\n';
    }
    const Status written = AtomicFile::writeFile(nativePath, data);
    if (!written) {
        WriteFailures::report(nativePath, WriteFailures::reasonOf(written.code()));
        return written;
    }
    m_fileLines = merged;
    m_savedCount = m_lines.size();
    m_cleared = false;
    return written;
}

QStringList RunLog::append(const QString& text)
{
    const QStringList added = splitLines(text);
    m_lines += added;
    return added;
}

void RunLog::clear()
{
    m_lines.clear();
    m_savedCount = 0;
    m_cleared = true;
}

QStringList RunLog::splitLines(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return text.split(lineBreak);
}

} // namespace ksv
