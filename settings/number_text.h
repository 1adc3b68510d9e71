// Numbers written as text in the settings: the driver selector and the mode.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The driver selector as a signed 16-bit number: blanks around it are allowed, an optional
// sign, digits with an optional "." fraction, rounded to the nearest whole number with halves
// going to the even neighbour ("8.5" is 8, "7.5" is 8). Nothing for any other text and for
// numbers outside -32768..32767.
std::optional<int16_t> ToDriverSelector(std::wstring_view text);

// Whether the text is a decimal number of the same form (any size) equal to exactly 2;
// nothing when it is not a number at all.
std::optional<bool> IsNumberTwo(std::wstring_view text);
