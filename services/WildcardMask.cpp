#include "WildcardMask.h"

namespace ksv {

WildcardMask::WildcardMask(const QString& mask) : m_mask(mask.toLower())
{
    m_matchesAll = m_mask == QLatin1String("*.*") || m_mask == QLatin1String("*");
}

bool WildcardMask::matches(const QString& name) const
{
    if (m_matchesAll)
        return true;
    const QString lowered = name.toLower();
    if (matchFrom(m_mask, 0, lowered, 0))
        return true;
    // A name without extension also matches a mask that asks for an empty one ("readme." or "*.").
    if (!lowered.contains(QLatin1Char('.')) && m_mask.endsWith(QLatin1Char('.')))
        return matchFrom(m_mask.chopped(1), 0, lowered, 0);
    return false;
}

bool WildcardMask::matchFrom(const QString& pattern, qsizetype p, const QString& name, qsizetype n)
{
    // Iterative matcher with one back-tracking point for the last "*": linear in practice.
    qsizetype starPattern = -1;
    qsizetype starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starPattern = p++;
            starName = n;
        } else if (starPattern >= 0) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

} // namespace ksv
