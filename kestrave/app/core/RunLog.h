#pragma once

#include <QString>
#include <QStringList>

namespace ksv {

// The runner's log: the lines of the main window's log memo. Loaded from the log file at start,
// lines appended during the run, written back as plain text lines when the program ends.
// Lines carry no automatic time stamp.
class RunLog
{
public:
    // Replaces the lines by those of the file; a missing or unreadable file leaves the log empty.
    void load(const QString& nativePath);
    // Writes every line (LF line ends) atomically; false when the file cannot be written.
    bool save(const QString& nativePath) const;

    // Adds a text. Line breaks inside it ("\r\n", "\r" or "\n") start new lines, so a text that
    // begins with "\r\n" gives an empty line before it. Returns the lines added.
    QStringList append(const QString& text);
    void clear() { m_lines.clear(); }

    const QStringList& lines() const { return m_lines; }
    int lineCount() const { return int(m_lines.size()); }

    // The lines a text adds (see append).
    static QStringList splitLines(const QString& text);

private:
    QStringList m_lines;
};

} // namespace ksv
