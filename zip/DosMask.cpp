#include "DosMask.h"

namespace ksv {

DosMask::DosMask(const QString& pattern) : m_pattern(pattern)
{
    if (pattern == QLatin1String("*.*") || pattern == QLatin1String("*")) {
        m_matchesAll = true;
        return;
    }
    QString expression;
    expression.reserve(pattern.size() * 2 + 4);
    for (const QChar c : pattern) {
        if (c == QLatin1Char('*'))
            expression += QLatin1String(".*");
        else if (c == QLatin1Char('?'))
            expression += QLatin1Char('.');
        else
            expression += QRegularExpression::escape(QString(c));
    }
    m_regex = QRegularExpression(QRegularExpression::anchoredPattern(expression),
                                 QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    m_regex.optimize();
}

bool DosMask::matches(const QString& name) const
{
    if (m_matchesAll)
        return true;
    return m_regex.match(name).hasMatch();
}

bool DosMask::hasWildcards(const QString& text)
{
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
}

} // namespace ksv
