#include "qt/DialogFilters.h"

#include <QChar>

namespace ravelin {

QString caseInsensitivePattern(const QString &pattern)
{
    QString result;
    for (const QChar c : pattern) {
        const QChar lower = c.toLower();
        const QChar upper = c.toUpper();
        if (lower == upper) {
            result += c;
            continue;
        }
        result += QLatin1Char('[');
        result += upper;
        result += lower;
        result += QLatin1Char(']');
    }
    return result;
}

QStringList qtNameFilters(std::string_view filter)
{
    const QStringList parts
        = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size()))
              .split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            // "*.*" means every file there; here a name need not have a dot.
            patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*")
                                                         : caseInsensitivePattern(trimmed));
        }
        filters << parts[i] + QLatin1String(" (") + patterns.join(QLatin1Char(' '))
                + QLatin1Char(')');
    }
    return filters;
}

} // namespace ravelin
