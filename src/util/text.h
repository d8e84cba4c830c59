// Byte-string helpers shared by the posting engine and the HTML import: the case-insensitive search
// and the blank trimming both use, and the decimal conversions with the system's error texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// ASCII letters a..z folded to upper case; every other byte stays as it is.
std::string upperAscii(std::string_view text);
bool equalsIgnoreCaseAscii(std::string_view a, std::string_view b);
// Whether text ends with tail, ASCII letters compared without regard to case.
bool endsWithIgnoreCaseAscii(std::string_view text, std::string_view tail);

// 1-based position of the first occurrence of item in data, ASCII letters compared without regard
// to case; 0 when item is empty or does not occur.
int FindItem(std::string_view item, std::string_view data);

// Removes blanks (the space character only) from both ends, in place.
void TrimBlanks(std::string& text);
std::string trimmedBlanks(std::string_view text);

// Removes every byte of code 32 and below from both ends.
std::string trimControlAndBlanks(std::string_view text);

// Signed 32-bit decimal integer with optional sign; throws Error("'%s' is not a valid integer value").
// A number that does not fit 32 bits is no integer, like any other text that is not one.
int32_t toInt32(const std::string& text);
// The same without throwing: false for text that is not a number or does not fit, out untouched.
bool tryToInt32(std::string_view text, int32_t& out);
bool tryToInt64(std::string_view text, int64_t& out);

// Splits text added to a pane as one piece into the pane's lines: line breaks are CR LF, LF or a
// lone CR, and text that ends with a line break gives a last, empty line.
std::vector<std::string> splitAddedText(std::string_view text);

// Joins lines, each followed by CR LF (the text of a list of strings).
std::string joinLinesCrLf(const std::vector<std::string>& lines);

}  // namespace torvane
