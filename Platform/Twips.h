#pragma once

namespace Platform {

// Layout lengths of the window are given in twips (1/1440 inch): 15 twips make one pixel at 96 dpi.
constexpr int TwipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    return twips / TwipsPerPixel;
}

constexpr int pixelsToTwips(int pixels)
{
    return pixels * TwipsPerPixel;
}

} // namespace Platform
