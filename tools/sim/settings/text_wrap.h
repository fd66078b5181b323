// Plain text for players: words wrapped into lines of Windows line endings.
#pragma once

#include <string>

namespace simtool {

// `text` in lines of at most `width` characters after `prefix`, which starts
// every line (`firstPrefix` the first one); each line ends in CR LF.
std::string WrapText(const std::string& text, size_t width, const std::string& prefix,
                     const std::string& firstPrefix);

} // namespace simtool
