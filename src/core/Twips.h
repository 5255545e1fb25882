#pragma once
// Sizes on the windows are kept in twips where the behaviour is given in
// twips; this is the one place that converts them at the widget boundary.

namespace lirmus {

constexpr int kTwipsPerPixel = 15;

/// Twips to pixels (truncating, as the layout always did).
constexpr int px(int twips) { return twips / kTwipsPerPixel; }

/// Pixels to twips.
constexpr int twips(int pixels) { return pixels * kTwipsPerPixel; }

} // namespace lirmus
