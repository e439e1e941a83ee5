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

CountdownTime CountdownStep(const CountdownTime &time, std::int64_t seconds)
{
    int s = fieldValue(time.seconds);
    int m = fieldValue(time.minutes);
    int h = fieldValue(time.hours);
    bool minutesStep = false, hoursStep = false;
    for (std::int64_t i = 0; i < seconds; ++i) {
        if (s != 0) {
            --s;
        } else {
            s = 59;
            if (m != 0) {
                --m;
                minutesStep = true;
            } else if (h != 0) {
                --h;
                m = 59;
                hoursStep = minutesStep = true;
            }
        }
        if (h == 0 && m == 0 && s == 0)
            break;
    }
    // A field the step does not change comes back as it was, so a person typing into it
    // during the countdown is not interrupted.
    CountdownTime next = time;
    if (seconds > 0)
        next.seconds = twoDigits(s);
    if (minutesStep)
        next.minutes = twoDigits(m);
    if (hoursStep)
        next.hours = twoDigits(h);
    return next;
}

bool isZero(const CountdownTime &time)
{
    return fieldValue(time.hours) == 0 && fieldValue(time.minutes) == 0 &&
           fieldValue(time.seconds) == 0;
}

} // namespace engine
