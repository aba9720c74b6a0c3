#pragma once

#include "Result.h"

#include <QString>
#include <QStringList>

namespace ksv {

// The runner's log: the lines of the main window's log memo. Loaded from the log file at start,
// lines appended during the run, written back as plain text lines when the program ends.
// Lines carry no automatic time stamp.
//
// Several runs may share one log file. A save therefore never writes back the whole memo over
// what is on disk: under the file's write lock it reads the file again, keeps the lines other
// runs wrote to it since this run last read or wrote it, and adds this run's new lines after
// them. After clear() (the log reset by the user or by its size limit) this run's earlier lines
// are gone from the file, the other runs' new lines stay.
class RunLog
{
public:
    // Replaces the lines by those of the file; a missing or unreadable file leaves the log empty.
    void load(const QString& nativePath);
    // Writes the file atomically (LF line ends), as described above. On failure the file is left
    // as it was, this run's unsaved lines stay pending for the next save, and the failure is
    // reported (WriteFailures).
    Status save(const QString& nativePath);

    // Adds a text. Line breaks inside it ("\r\n", "\r" or "\n") start new lines, so a text that
    // begins with "\r\n" gives an empty line before it. Returns the lines added.
    QStringList append(const QString& text);
    void clear();

    const QStringList& lines() const { return m_lines; }
    int lineCount() const { return int(m_lines.size()); }

    // The lines a text adds (see append).
    static QStringList splitLines(const QString& text);

private:
    QStringList m_lines;
    // The file's lines as this run last read or wrote them.
    QStringList m_fileLines;
    // How many of m_lines (from the start) the file already holds.
    qsizetype m_savedCount = 0;
    // The earlier lines were dropped: the next save does not keep this run's old lines.
    bool m_cleared = false;
};

} // namespace ksv
