#pragma once
// The channel's diagnostics among what the code under test printed: the machine record shares
// standard output with them, so a test of the "ERROR: " lines reads them apart.
#include <algorithm>
#include <string>

namespace vork::test {

inline std::string Diagnostics(const std::string& printed) {
    std::string kept;
    for (std::size_t at = 0; at < printed.size();) {
        const std::size_t end = std::min(printed.find('\n', at), printed.size() - 1);
        if (printed.compare(at, 7, "ERROR: ") == 0) kept += printed.substr(at, end + 1 - at);
        at = end + 1;
    }
    return kept;
}

}  // namespace vork::test
