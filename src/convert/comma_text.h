#pragma once

#include <string>
#include <vector>

namespace quelmar {

// The items of a comma text, as the exclusion field holds them: items are separated by a
// comma or by unquoted blanks; an item in double quotes may hold blanks and commas, a doubled
// quote inside standing for one quote. Empty items are kept. The full-width forms a Japanese
// keyboard gives separate too: "、" and "，" as commas, the ideographic space as a blank (in
// quotes they are part of the item). No other character of a UTF-8 sequence separates items.
// A NUL byte ends the text.
std::vector<std::string> ParseCommaText(const std::string& text);

}  // namespace quelmar
