#include "tools/sim/settings/text_wrap.h"

namespace simtool {

std::string WrapText(const std::string& text, size_t width, const std::string& prefix,
                     const std::string& firstPrefix) {
    std::string out, line;
    const std::string* lead = &firstPrefix;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(' ', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string word = text.substr(pos, end - pos);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            out += *lead + line + "\r\n";
            lead = &prefix;
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        pos = end + 1;
    }
    return out + *lead + line + "\r\n";
}

} // namespace simtool
