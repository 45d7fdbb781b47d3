// The school account: the whole text of the user file "vamouser.dll" in the
// program folder, which the client reads and never writes.
#pragma once

#include <string>
#include <string_view>

namespace quorvi {

inline constexpr const char kUserFileName[] = "vamouser.dll";

// The file's whole content read as text: a carriage return followed by a line
// feed becomes one line feed; nothing is trimmed. Empty when the file is
// missing or cannot be read. `programFolder` ends in the separator.
std::string ReadSchoolAccount(const std::string& programFolder);

// The text-mode reading of raw file bytes.
std::string TextModeContent(std::string_view bytes);

}  // namespace quorvi
