#include "engine/countdown.h"

namespace engine
{

QString twoDigits(int value)
{
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

bool isDigitText(const QString &text)
{
    if (text.isEmpty() || text.size() > 2)
        return false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

int fieldValue(const QString &text)
{
    return isDigitText(text) ? text.toInt() : 0;
}

CountdownTime CountdownStep(const CountdownTime &time)
{
    const int s = fieldValue(time.seconds);
    const int m = fieldValue(time.minutes);
    const int h = fieldValue(time.hours);
    // A field the step does not change comes back as it was, so a person typing into it
    // during the countdown is not interrupted.
    CountdownTime next = time;
    if (s != 0) {
        next.seconds = twoDigits(s - 1);
        return next;
    }
    next.seconds = QStringLiteral("59");
    if (m != 0) {
        next.minutes = twoDigits(m - 1);
    } else if (h != 0) {
        next.hours = twoDigits(h - 1);
        next.minutes = QStringLiteral("59");
    }
    return next;
}

bool isZero(const CountdownTime &time)
{
    return fieldValue(time.hours) == 0 && fieldValue(time.minutes) == 0 &&
           fieldValue(time.seconds) == 0;
}

} // namespace engine
