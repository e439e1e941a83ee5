#pragma once

namespace platform
{
class Canvas;
}

// Paints 63 horizontal bands over the whole target, the first in the start colour and each
// following one darker by 4 in every channel (never below 0). Direction 1 paints from the top
// down, any other value from the bottom up.
void DrawGradient(platform::Canvas &target, int r, int g, int b, int direction);
