#pragma once

#include <functional>
#include <optional>
#include <string>

namespace quelmar {

// The question the folder chooser asks about a folder that does not exist.
inline constexpr const char* kCreateFolderQuestion =
    "指定されたディレクトリが存在しません。作成しますか？";

// The folder chooser's acceptance of the path in its path field: the absolute path without a
// trailing separator (the root stays "/"). A missing folder is created with its parents when
// ask_create (given the question) answers Yes; otherwise, and for an empty field, nothing is
// returned and the chooser stays open. A folder that cannot be created fails with
// EFCreateError.
std::optional<std::string> AcceptFolderChoice(
    const std::string& typed, const std::function<bool(const std::string&)>& ask_create);

}  // namespace quelmar
