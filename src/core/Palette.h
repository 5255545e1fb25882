#pragma once
// The classic 16-colour palette the windows use for lamps, buttons and labels.
#include <QColor>

namespace lirmus {

/// Palette colour 0..15 (0 black, 9 light blue, 10 light green, 12 light red, 14 yellow, 15 white).
inline QColor paletteColor(int index)
{
    static const QColor colours[16] = {
        {0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128}, {128, 0, 0},   {128, 0, 128},
        {128, 128, 0},   {192, 192, 192}, {128, 128, 128}, {0, 0, 255}, {0, 255, 0},  {0, 255, 255},
        {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};
    return colours[index & 15];
}

/// A colour as the settings file stores it (red + green*256 + blue*65536).
inline QColor fromRgbLong(long c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

} // namespace lirmus
