#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class ParseError;
}

namespace quelmar {

// The converter's words for a mistake on its command line. Like everything it writes on
// standard error they are Japanese; they name the option at fault first.

// The option of names (each like "--quality" or "-j") closest to typed by the number of
// letters to change, add, drop or swap; empty when none is close enough to be meant, and for
// a short option ("-x"), where every other letter is as close.
std::string ClosestOption(std::string_view typed, const std::vector<std::string>& names);

// An argument the command line has no place for: an unknown option (with the closest real one
// offered), or a value with no option before it.
std::string UnexpectedArgumentMessage(const std::string& argument,
                                      const std::vector<std::string>& names);

// A parse error of the command-line library, in the converter's words.
std::string PlainParseError(const CLI::ParseError& error);

// "option: expected text", the form of every value's refusal.
std::string ValueMessage(std::string_view option, std::string_view expected);

// The refusal of a number outside low..high, or of anything but a whole number.
std::string WholeNumberExpected(long long low, long long high);

}  // namespace quelmar
