#pragma once
// Lines as zentrail-tag reads them, stated plainly for the core tests and the
// fuzz target: split at line feeds, one CR before each dropped (also at the
// end of a last line without one), and a last line without its feed kept
// unless it is empty.
#include <algorithm>
#include <string>
#include <vector>

namespace zentrail::test {

inline std::vector<std::string> ReferenceLines(const std::string& input) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, feed; start < input.size(); start = feed + 1) {
        feed = std::min(input.find('\n', start), input.size());
        lines.push_back(input.substr(start, feed - start));
        if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
    }
    return lines;
}

}  // namespace zentrail::test
