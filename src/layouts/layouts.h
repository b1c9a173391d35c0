// The descriptors of the text layouts, one file each, listed by
// layout_table.cpp.
#pragma once

#include <cstddef>

#include "layouts/layout_table.h"

namespace vezuved {

// Size of the fresh description buffer a Garmin waypoint line gets.
constexpr size_t kGarminDescSize = 4002;

extern const LayoutDescriptor kRecordLineLayout;
extern const LayoutDescriptor kCommaLayout;
extern const LayoutDescriptor kTabLayout;
extern const LayoutDescriptor kGarminLayout;
extern const LayoutDescriptor kPlainLayout;
extern const LayoutDescriptor kFixedLayout;
extern const LayoutDescriptor kPcx5Layout;
extern const LayoutDescriptor kSurveyLayout;

}  // namespace vezuved
