#pragma once

#include <string>
#include <vector>

namespace quelmar {

// The items of a comma text, as the exclusion field holds them: items are separated by a
// comma or by unquoted blanks; an item in double quotes may hold blanks and commas, a doubled
// quote inside standing for one quote. Empty items are kept. The text is read byte by byte;
// bytes of 0x80 and above (UTF-8 sequences) never separate items. A NUL byte ends the text.
std::vector<std::string> ParseCommaText(const std::string& text);

}  // namespace quelmar
