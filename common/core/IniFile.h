#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

namespace ksv {

class IniDocument;

// An INI file read and written with the private-profile rules the whole suite shares:
// section and key names compared without regard to case, a value's surrounding blanks dropped,
// no quoting or escaping, a missing key gives the caller's default.
//
// There is no cache: every read looks at the file, so a value written by another process is
// seen by the next read. Every write is atomic (temporary file in the same folder, then rename)
// and serialised between processes with an advisory lock on a companion lock file, so two
// programs writing different keys at once lose neither.
// Each line is read as UTF-8, or as Windows-1252 when it is not valid UTF-8; lines a write does
// not change keep their bytes, edited and new lines are UTF-8. A file keeps its line-end style
// (CRLF, LF or CR), new files get CRLF. A write that fails (full disk, read-only folder) leaves
// the old file whole and is reported through WriteFailures.
class IniFile
{
public:
    // path: the native path of the file (convert DOS paths with ksv::DosPath first).
    explicit IniFile(QString path);

    const QString& path() const { return m_path; }

    QString readString(const QString& section, const QString& key, const QString& defaultValue = {}) const;
    // Decimal integer (optional sign, surrounding blanks); anything else reads as the default.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    // "0" false, any other integer true; a word reads as the default.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    bool keyExists(const QString& section, const QString& key) const;
    bool sectionExists(const QString& section) const;
    QStringList sections() const;
    // Key names of a section in file order (duplicates kept).
    QStringList keys(const QString& section) const;
    // Every key=value line of a section in file order, duplicates included: (key, value).
    QList<QPair<QString, QString>> sectionLines(const QString& section) const;
    // Raw text of every key=value line of the section (blanks around it trimmed), in file order.
    QStringList rawSectionLines(const QString& section) const;

    // Writes create the file and the section when missing. Line breaks inside a value become
    // blanks (a value never adds lines); a key holding "=" or a line break is refused.
    // deleteKey removes every line of the key in the section. They return false when the file
    // cannot be written; callers of the settings file ignore that, as the system always has.
    bool writeString(const QString& section, const QString& key, const QString& value);
    bool writeInteger(const QString& section, const QString& key, int value);
    bool writeBool(const QString& section, const QString& key, bool value);
    bool deleteKey(const QString& section, const QString& key);
    bool eraseSection(const QString& section);

    // The whole file parsed once, for loaders that read many keys of one consistent state.
    IniDocument snapshot() const;
    // Several edits as one atomic write under the lock (for example erasing a section and
    // writing it again whole): no other process sees or overwrites a half-done change.
    bool update(const std::function<void(IniDocument&)>& change);

private:
    QString m_path;
};

} // namespace ksv
