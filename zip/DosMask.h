#pragma once

#include <QRegularExpression>
#include <QString>

namespace ksv {

// A file mask with "*" and "?" compared without regard to case, the way the system's masks
// work: "*.*" matches every name, also names without a dot.
class DosMask
{
public:
    DosMask() = default;
    explicit DosMask(const QString& pattern);

    bool matches(const QString& name) const;
    const QString& pattern() const { return m_pattern; }

    static bool hasWildcards(const QString& text);

private:
    QString m_pattern;
    QRegularExpression m_regex;
    bool m_matchesAll = false;
};

} // namespace ksv
