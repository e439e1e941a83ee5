#pragma once

#include <QString>
#include <cstdint>

namespace engine
{

// The time left, as the three digit fields show it.
struct CountdownTime {
    QString hours, minutes, seconds;
    bool operator==(const CountdownTime &) const = default;
};

// "07" for 7: a field's text for a value, always two digits for 0 to 99.
QString twoDigits(int value);

// Whether a text is what a digit field holds when it is well formed: one or two decimal digits.
bool isDigitText(const QString &text);

// The value a field stands for in the countdown: a text of one or two decimal digits is that
// number; anything else (empty, pasted text) counts as zero, so the countdown never writes
// anything but two digits.
int fieldValue(const QString &text);

// One second less, borrowing 59 into the lower fields. A field the step changes comes back as
// two digits; the others come back exactly as given. A time that is already zero becomes
// 00:00:59: the caller decides about the alarm after the step. A tick that comes late takes
// several seconds at once, one step each, and stops at zero: the alarm is not missed.
CountdownTime CountdownStep(const CountdownTime &time, std::int64_t seconds = 1);

bool isZero(const CountdownTime &time);

} // namespace engine
