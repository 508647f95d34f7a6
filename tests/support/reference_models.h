#pragma once
// Plain statements of rules that the program follows with faster code,
// shared by the core tests and the fuzz targets.
#include <algorithm>
#include <string>
#include <vector>

namespace zentrail::test {

// Lines as zentrail-tag reads them: split at line feeds, one CR before each
// dropped (also at the end of a last line without one), and a last line
// without its feed kept unless it is empty.
inline std::vector<std::string> ReferenceLines(const std::string& input) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, feed; start < input.size(); start = feed + 1) {
        feed = std::min(input.find('\n', start), input.size());
        lines.push_back(input.substr(start, feed - start));
        if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
    }
    return lines;
}

// Where the first two NULs in a row start, which end array_to_string's text
// (a lone NUL is kept); npos when there are none.
inline std::size_t FirstNulPair(const std::string& bytes) {
    return bytes.find(std::string(2, '\0'));
}

}  // namespace zentrail::test
