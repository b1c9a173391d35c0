#include "maps/read_caps.h"

#include <atomic>

namespace vezuved::maps {
namespace {

std::atomic<size_t> gMostPoints{kMostPointsRead};
std::atomic<size_t> gLongestText{kLongestText};

}  // namespace

size_t MostPointsRead() { return gMostPoints.load(std::memory_order_relaxed); }

size_t LongestText() { return gLongestText.load(std::memory_order_relaxed); }

void SetReadCapsForTests(size_t points, size_t textBytes) {
    gMostPoints = points == 0 ? kMostPointsRead : points;
    gLongestText = textBytes == 0 ? kLongestText : textBytes;
}

std::string TooManyPoints() {
    return "it holds more than " + std::to_string(MostPointsRead()) +
           " points, the most one file is read with";
}

std::string TooLongText() {
    return "a text of more than " + std::to_string(LongestText()) + " bytes, the most one text is read to";
}

}  // namespace vezuved::maps
