// The settings a driver reads the active layout's lines with.
#pragma once

#include "layouts/layout_settings.h"
#include "state/conversion_state.h"

namespace vezuved {

// A layout that imposes its own delimiter (TAB) makes it the state's
// delimiter too, so whatever the same conversion writes later uses it.
LayoutSettings SettingsForReading(ConversionState& state);

}  // namespace vezuved
