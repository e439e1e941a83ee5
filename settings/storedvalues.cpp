#include "settings/storedvalues.h"

#include <cmath>
#include <limits>

namespace
{

template<class T> T storedNumber(const QString &text, T fallback)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return fallback;
    // Fractions round to the nearest whole number, halves to even.
    const double whole = std::nearbyint(value);
    if (whole < std::numeric_limits<T>::min() || whole > std::numeric_limits<T>::max())
        return fallback;
    return static_cast<T>(whole);
}

} // namespace

namespace settings
{

qint16 storedInt16(const QString &text, qint16 fallback)
{
    return storedNumber(text, fallback);
}
qint32 storedInt32(const QString &text, qint32 fallback)
{
    return storedNumber(text, fallback);
}

} // namespace settings
