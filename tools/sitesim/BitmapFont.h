#pragma once

#include <cstdint>
#include <vector>

// A 5 x 7 font for the characters of performer names (letters drawn as capitals, digits and
// the underscore), drawn scaled into an RGB picture.
class BitmapFont {
public:
    static const int kWidth = 5;
    static const int kHeight = 7;

    // Draws text with its top left corner at (x, y), every font pixel a scale x scale square;
    // pixels outside the picture are left out.
    static void Draw(std::vector<std::uint8_t>& rgb, int width, int height, int x, int y,
                     const char* text, int scale, std::uint8_t r, std::uint8_t g, std::uint8_t b);
    // The width of text drawn at scale, with one blank column between characters.
    static int TextWidth(const char* text, int scale);
};
