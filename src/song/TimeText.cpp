#include "TimeText.h"

#include <cmath>

namespace lirmus {

QString TimeText(double seconds)
{
    // Work in whole milliseconds so a fraction never rounds up to "1000".
    if (!(seconds > 0)) seconds = 0;
    long long ms = std::llround(std::min(seconds, 1e12) * 1000.0);
    long long minutes = ms / 60000;
    int secs = int((ms / 1000) % 60);
    int frac = int(ms % 1000);
    return QStringLiteral("%1:%2:%3")
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(secs, 2, 10, QLatin1Char('0'))
        .arg(frac, 3, 10, QLatin1Char('0'));
}

} // namespace lirmus
