#pragma once
// How finely the millisecond timer can be polled, as the about box shows it.
#include <functional>

namespace lirmus {

/// Palette colours the score label can take; Unchanged keeps its design colour.
enum class ScoreColour { Unchanged, LightGreen, LightRed };

/// The colour of a score: above 69 light green, below 40 light red.
ScoreColour scoreColour(double score);

/// The score text "#00" then "%", e.g. "07%", "69%", "1234%".
int roundedScore(double score);

/// Runs the timer test: 30 samples, each the number of extra reads of the
/// millisecond clock until its value changes, x 100 / 125; returns their mean.
/// Nothing else runs in between: the whole test lasts about 30 ms.
double Test_Timers(const std::function<long long()>& millisecondClock);

} // namespace lirmus
