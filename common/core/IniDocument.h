#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace ksv {

// The parsed text of one INI file, with the private-profile rules: a line "[name]" opens a
// section; a line "key=value" inside a section sets a key (key = text before the first "=",
// value = text after it, both without surrounding blanks); lines starting with ";" and every
// other line are kept as they are and never read as keys. Names compare without regard to case;
// with a section or key written twice, the first one counts for reading and writing.
//
// Each line is decoded on its own: UTF-8 when its bytes are valid UTF-8, else Windows-1252 (the
// code page of older installations), so one stray byte never changes how the other lines read.
// Lines end with CRLF, LF or a lone CR (the file's first kind of line end is kept when writing).
// Lines left unchanged are written back byte for byte; new and edited lines are written in UTF-8.
//
// IniFile reads and writes files through this class; loaders that read many keys at once may
// also use it directly on one snapshot of a file.
class IniDocument
{
public:
    enum class LineEnd
    {
        CrLf,
        Lf,
        Cr
    };

    IniDocument() = default;
    static IniDocument fromBytes(const QByteArray& bytes);
    // The file's text; a missing or unreadable file gives an empty document.
    static IniDocument fromFile(const QString& nativePath);
    QByteArray toBytes() const;

    LineEnd lineEnd() const { return m_lineEnd; }
    void setLineEnd(LineEnd lineEnd) { m_lineEnd = lineEnd; }

    bool hasKey(const QString& section, const QString& key) const;
    bool hasSection(const QString& section) const;
    // nullptr-like: returns false when missing; value in *value.
    bool value(const QString& section, const QString& key, QString* value) const;
    QString readString(const QString& section, const QString& key, const QString& defaultValue = {}) const;
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;
    QStringList sections() const;
    QStringList keys(const QString& section) const;
    QList<QPair<QString, QString>> sectionLines(const QString& section) const;
    QStringList rawSectionLines(const QString& section) const;

    // Edits; false when the names cannot be written (empty, or holding a line break, a key
    // holding "=", a section name holding "]"). Line breaks inside a value become blanks, so a
    // value can never add lines to the file.
    bool setValue(const QString& section, const QString& key, const QString& value);
    // Removes every line of the key in the section; true when something was removed.
    bool removeKey(const QString& section, const QString& key);
    // Removes every section of that name with its lines; true when something was removed.
    bool removeSection(const QString& section);

    // Strict decimal integer: optional sign, digits, surrounding blanks; nullopt-like false otherwise.
    static bool parseInteger(const QString& text, int* out);

private:
    enum class Kind
    {
        Other,
        Section,
        Key
    };
    struct Line
    {
        QString text;
        Kind kind = Kind::Other;
        QString name;  // section or key name, trimmed
        QString value; // key value, trimmed
        // The line's bytes as read (without its line end) while the line is unchanged: written
        // back as they are, so a line in another encoding is never converted by someone else's edit.
        QByteArray original;
        bool unchanged = false;
    };

    // Index of the header line of the first section with that name, or -1.
    qsizetype findSection(const QString& section) const;
    // One past the last line belonging to the section whose header is at index.
    qsizetype sectionEnd(qsizetype header) const;
    qsizetype findKey(const QString& section, const QString& key) const;
    static Line parseLine(const QString& text, bool insideSection);

    QList<Line> m_lines;
    LineEnd m_lineEnd = LineEnd::CrLf;
    bool m_bom = false;
};

} // namespace ksv
