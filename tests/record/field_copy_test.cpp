#include <string>

#include "record/columns.h"
#include "support/test_support.h"

namespace {

// Every length a field can take is copied byte for byte, and nothing past it
// is written.
TEST(CopyFieldBytes, CopiesExactlyTheBytesAsked) {
    std::string from(300, '\0');
    for (size_t i = 0; i < from.size(); ++i) from[i] = static_cast<char>('a' + i % 26);
    for (size_t n = 0; n <= from.size(); ++n) {
        std::string to(from.size() + 8, '#');
        CopyFieldBytes(&to[0], from.data(), n);
        ASSERT_EQ(to.substr(0, n), from.substr(0, n)) << n;
        ASSERT_EQ(to.substr(n), std::string(to.size() - n, '#')) << n;
    }
}

}  // namespace
