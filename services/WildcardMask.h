#pragma once

#include <QString>

namespace ksv {

// A file mask with "*" and "?", matched the way the system's file dialogs and searches always
// have: without regard to case, "*.*" matching every name (with or without an extension) and
// "name." matching "name" without extension.
class WildcardMask
{
public:
    explicit WildcardMask(const QString& mask);

    bool matches(const QString& name) const;
    const QString& mask() const { return m_mask; }

private:
    static bool matchFrom(const QString& pattern, qsizetype p, const QString& name, qsizetype n);

    QString m_mask;
    bool m_matchesAll = false;
};

} // namespace ksv
