// The document sink: a refused piece fails the document, however large.
#include <gtest/gtest.h>

#include <string>

#include "maps/document_sink.h"

namespace vezuved::maps {
namespace {

// Takes pieces smaller than the sink's buffer, refuses larger ones.
bool TakeSmall(void* context, const char* bytes, size_t size) {
    if (size >= DocumentSink::kBufferSize) return false;
    static_cast<std::string*>(context)->append(bytes, size);
    return true;
}

TEST(DocumentSink, APieceRefusedPastTheBufferFailsTheDocument) {
    const struct {
        size_t first, second;  // the sizes written, then "end"
        bool taken;
    } cases[] = {
        {5, 100, true}, {5, DocumentSink::kBufferSize, false}, {0, DocumentSink::kBufferSize + 9, false}};
    for (const auto& c : cases) {
        std::string taken;
        DocumentSink sink(TakeSmall, &taken);
        sink.Write(std::string(c.first, 'a'));
        sink.Write(std::string(c.second, 'b'));
        sink.Write("end");
        EXPECT_EQ(sink.Flush(), c.taken) << c.second;
        EXPECT_EQ(taken,
                  c.taken ? std::string(c.first, 'a') + std::string(c.second, 'b') + "end"
                          : std::string(c.first, 'a'));
    }
}

}  // namespace
}  // namespace vezuved::maps
