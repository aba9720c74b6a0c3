#include "IniDocument.h"

#include "TextEncoding.h"

#include <QFile>

namespace ksv {

namespace {

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool hasLineBreak(const QString& s)
{
    return s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n'));
}

} // namespace

IniDocument::Line IniDocument::parseLine(const QString& text, bool insideSection)
{
    Line line;
    line.text = text;
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1Char('['))) {
        const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
        if (close > 0) {
            line.kind = Kind::Section;
            line.name = trimmed.mid(1, close - 1).trimmed();
            return line;
        }
    }
    if (!insideSection || trimmed.startsWith(QLatin1Char(';')))
        return line;
    const qsizetype eq = trimmed.indexOf(QLatin1Char('='));
    if (eq < 0)
        return line;
    line.kind = Kind::Key;
    line.name = trimmed.left(eq).trimmed();
    line.value = trimmed.mid(eq + 1).trimmed();
    return line;
}

IniDocument IniDocument::fromBytes(const QByteArray& bytes)
{
    IniDocument doc;
    static const QByteArray bom("\xEF\xBB\xBF", 3);
    doc.m_bom = bytes.startsWith(bom);
    const QByteArray body = doc.m_bom ? bytes.mid(bom.size()) : bytes;
    if (body.contains("\r\n"))
        doc.m_lineEnd = LineEnd::CrLf;
    else if (body.contains('\n'))
        doc.m_lineEnd = LineEnd::Lf;
    else if (body.contains('\r'))
        doc.m_lineEnd = LineEnd::Cr;
    else
        doc.m_lineEnd = LineEnd::CrLf;

    QList<QByteArray> lines = body.split(doc.m_lineEnd == LineEnd::Cr ? '\r' : '\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the file's final line end
    bool inside = false;
    for (QByteArray& raw : lines) {
        if (doc.m_lineEnd != LineEnd::Cr && raw.endsWith('\r'))
            raw.chop(1);
        const QString text = TextEncoding::isValidUtf8(raw) ? QString::fromUtf8(raw) : TextEncoding::decodeWindows1252(raw);
        Line parsed = parseLine(text, inside);
        parsed.original = raw;
        parsed.unchanged = true;
        if (parsed.kind == Kind::Section)
            inside = true;
        doc.m_lines.append(std::move(parsed));
    }
    return doc;
}

IniDocument IniDocument::fromFile(const QString& nativePath)
{
    QFile file(nativePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return fromBytes(file.readAll());
}

QByteArray IniDocument::toBytes() const
{
    const QByteArray eol = m_lineEnd == LineEnd::CrLf ? QByteArray("\r\n") : m_lineEnd == LineEnd::Lf ? QByteArray("\n") : QByteArray("\r");
    QByteArray out;
    if (m_bom)
        out = QByteArray("\xEF\xBB\xBF", 3);
    for (const Line& l : m_lines) {
        out += l.unchanged ? l.original : l.text.toUtf8();
        out += eol;
    }
    return out;
}

qsizetype IniDocument::findSection(const QString& section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Section && sameName(m_lines[i].name, section))
            return i;
    }
    return -1;
}

qsizetype IniDocument::sectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < m_lines.size() && m_lines[i].kind != Kind::Section)
        ++i;
    return i;
}

qsizetype IniDocument::findKey(const QString& section, const QString& key) const
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return -1;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Kind::Key && sameName(m_lines[i].name, key))
            return i;
    }
    return -1;
}

bool IniDocument::hasKey(const QString& section, const QString& key) const
{
    return findKey(section, key) >= 0;
}

bool IniDocument::hasSection(const QString& section) const
{
    return findSection(section) >= 0;
}

bool IniDocument::value(const QString& section, const QString& key, QString* out) const
{
    const qsizetype i = findKey(section, key);
    if (i < 0)
        return false;
    if (out)
        *out = m_lines[i].value;
    return true;
}

QString IniDocument::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    QString v;
    return value(section, key, &v) ? v : defaultValue;
}

bool IniDocument::parseInteger(const QString& text, int* out)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    qsizetype i = 0;
    if (t[0] == QLatin1Char('+') || t[0] == QLatin1Char('-'))
        i = 1;
    if (i == t.size())
        return false;
    for (qsizetype j = i; j < t.size(); ++j) {
        if (t[j] < QLatin1Char('0') || t[j] > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    const int v = t.toInt(&ok, 10);
    if (!ok)
        return false; // out of range
    if (out)
        *out = v;
    return true;
}

int IniDocument::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    QString v;
    int n = 0;
    if (value(section, key, &v) && parseInteger(v, &n))
        return n;
    return defaultValue;
}

bool IniDocument::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    QString v;
    int n = 0;
    if (value(section, key, &v) && parseInteger(v, &n))
        return n != 0;
    return defaultValue;
}

QStringList IniDocument::sections() const
{
    QStringList out;
    for (const Line& l : m_lines) {
        if (l.kind == Kind::Section) {
            bool seen = false;
            for (const QString& s : out)
                seen = seen || sameName(s, l.name);
            if (!seen)
                out.append(l.name);
        }
    }
    return out;
}

QStringList IniDocument::keys(const QString& section) const
{
    QStringList out;
    for (const auto& [k, v] : sectionLines(section))
        out.append(k);
    return out;
}

QList<QPair<QString, QString>> IniDocument::sectionLines(const QString& section) const
{
    QList<QPair<QString, QString>> out;
    const qsizetype header = findSection(section);
    if (header < 0)
        return out;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Kind::Key)
            out.append({m_lines[i].name, m_lines[i].value});
    }
    return out;
}

QStringList IniDocument::rawSectionLines(const QString& section) const
{
    QStringList out;
    const qsizetype header = findSection(section);
    if (header < 0)
        return out;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Kind::Key)
            out.append(m_lines[i].text.trimmed());
    }
    return out;
}

bool IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    const QString s = section.trimmed();
    const QString k = key.trimmed();
    if (s.isEmpty() || k.isEmpty() || hasLineBreak(s) || hasLineBreak(k) || s.contains(QLatin1Char(']')) ||
        k.contains(QLatin1Char('=')) || k.startsWith(QLatin1Char(';')) || k.startsWith(QLatin1Char('[')))
        return false;
    QString v = value;
    v.replace(QLatin1String("\r\n"), QLatin1String(" "));
    v.replace(QLatin1Char('\r'), QLatin1Char(' '));
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    v = v.trimmed();

    const qsizetype existing = findKey(s, k);
    if (existing >= 0) {
        Line& l = m_lines[existing];
        if (l.value == v)
            return true; // the line keeps its bytes
        l.text = l.name + QLatin1Char('=') + v;
        l.value = v;
        l.unchanged = false;
        return true;
    }
    Line line;
    line.kind = Kind::Key;
    line.name = k;
    line.value = v;
    line.text = k + QLatin1Char('=') + v;

    const qsizetype header = findSection(s);
    if (header < 0) {
        Line head;
        head.kind = Kind::Section;
        head.name = s;
        head.text = QLatin1Char('[') + s + QLatin1Char(']');
        m_lines.append(head);
        m_lines.append(line);
        return true;
    }
    // After the last non-blank line of the section, so blank separators stay before the next one.
    qsizetype pos = sectionEnd(header);
    while (pos > header + 1 && m_lines[pos - 1].text.trimmed().isEmpty())
        --pos;
    m_lines.insert(pos, line);
    return true;
}

bool IniDocument::removeKey(const QString& section, const QString& key)
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return false;
    bool removed = false;
    qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end;) {
        if (m_lines[i].kind == Kind::Key && sameName(m_lines[i].name, key)) {
            m_lines.removeAt(i);
            --end;
            removed = true;
        } else {
            ++i;
        }
    }
    return removed;
}

bool IniDocument::removeSection(const QString& section)
{
    bool removed = false;
    for (qsizetype header = findSection(section); header >= 0; header = findSection(section)) {
        m_lines.remove(header, sectionEnd(header) - header);
        removed = true;
    }
    return removed;
}

} // namespace ksv
