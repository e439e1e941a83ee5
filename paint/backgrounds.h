#pragma once

#include <array>

// Start colours of the five fixed background gradients: red, green, blue, magenta, yellow.
// Choice 5 is the animated background, which sweeps red from 0 to 255 over blue.
struct StartColor {
    int r, g, b;
};
inline constexpr std::array<StartColor, 5> kBackgroundColors{{
    {255, 0, 0},
    {0, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {255, 255, 0},
}};
inline constexpr int kAnimatedBackground = 5;
