#pragma once

#include <string>

#include "convert/run_host.h"

namespace quelmar {

// The text of the question after a file that could not be converted, after its message.
inline constexpr const char* kContinueQuestion = " 作業を続けますか？";

// Converts every "*.jpg" and then every "*.jpeg" file (any letter case) below source into the
// same relative path below output, sub-folders first, skipping the folders named in
// FExceptFolders. Lets the host's events run at each folder's entry, before each entry of the
// sub-folder listing and before each file, and returns as soon as FStop is 1 there. Counts 1
// onto the progress maximum when it enters a folder and 1 onto the position when it finishes
// one. A file that cannot be converted is reported with a Yes/No question; No sets FStop.
void ConvertFolder(RunHost& host, const std::string& source, const std::string& output);

}  // namespace quelmar
