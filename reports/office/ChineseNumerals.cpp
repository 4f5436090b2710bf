#include "reports/office/ChineseNumerals.h"

#include <cmath>

namespace office::ChineseNumerals {

QString capital(qint64 value)
{
    static const QString digits = QStringLiteral("零壹貳參肆伍陸柒捌玖");
    static const QString smallUnits[] = {QString(), QStringLiteral("拾"), QStringLiteral("佰"),
                                         QStringLiteral("仟")};
    static const QString groupUnits[] = {QString(), QStringLiteral("萬"), QStringLiteral("億"),
                                         QStringLiteral("兆")};
    if (value == 0)
        return QStringLiteral("零");
    QString sign;
    quint64 n = quint64(value);
    if (value < 0) {
        sign = QStringLiteral("負");
        n = quint64(0) - n;
    }
    int groups[4] = {0, 0, 0, 0};
    for (int g = 0; g < 4; ++g) {
        groups[g] = int(n % 10000);
        n /= 10000;
    }
    if (n != 0)
        return sign + QString::number(value < 0 ? -value : value); // beyond 兆: no numeral names

    QString result;
    bool started = false;
    bool pendingZero = false;
    for (int g = 3; g >= 0; --g) {
        const int group = groups[g];
        if (group == 0) {
            pendingZero = started;
            continue;
        }
        // Leading zeros of a group after a higher one are read as one 零.
        if (started && group < 1000)
            pendingZero = true;
        bool zeroInside = false;
        bool groupStarted = false;
        int divisor = 1000;
        for (int d = 3; d >= 0; --d, divisor /= 10) {
            const int digit = group / divisor % 10;
            if (digit == 0) {
                zeroInside = groupStarted;
                continue;
            }
            if (pendingZero || zeroInside)
                result += digits.at(0);
            pendingZero = false;
            zeroInside = false;
            result += digits.at(digit);
            result += smallUnits[d];
            groupStarted = true;
        }
        result += groupUnits[g];
        started = true;
    }
    return sign + result;
}

bool capitalFromText(const QString& amount, QString* result)
{
    QString text = amount.trimmed();
    text.remove(QChar(','));
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) >= 1e16)
        return false;
    *result = capital(qint64(std::llround(value)));
    return true;
}

} // namespace office::ChineseNumerals
