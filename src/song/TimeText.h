#pragma once
// Song times as the displays show them.
#include <QString>

namespace lirmus {

/// Seconds as "mm:ss:mmm" (minutes, seconds, milliseconds); displays take the
/// first 5 (minutes and seconds) or 8 (down to hundredths) characters.
/// Negative times read as 0.
QString TimeText(double seconds);

} // namespace lirmus
