// What reading or writing one line of a text layout needs to know, handed
// down by the driver so the layouts never reach for the process-wide state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "state/conversion_state.h"

namespace vezuved {

class DescPool;

// A view: the texts point into the state it was taken from, which must
// outlive it and keep those texts unchanged while it is in use.
struct LayoutSettings {
    char delimiter = ',';
    const int16_t* fieldMap = kDefaultFieldMap.data();        // kFieldMapSize column numbers by slot
    int32_t fieldCount = 7;                                   // columns a written line has
    const char* fieldWidths = "";                             // fixed layout: "w0,w1,..."
    const char* defaultIcon = "";                             // icon of a layout without an icon column
    const std::optional<std::string>* fieldLabels = nullptr;  // kFieldLabelCount texts, or none
    uint16_t locFormat = 0;
    uint16_t eleFormat = 0;  // 1: the text's elevations are metres
    uint16_t timeStyle = 0;
    uint16_t dateStyle = 0;
    uint32_t dateFirst = 0;
    uint32_t dateOrder = 0;
    char dateSeparator = '-';
    int32_t databaseKind = kKindPoint;  // the kind being converted
    // Where the descriptions of records read come from: null gives each its
    // own allocation; an array read whole passes a pool.
    DescPool* descPool = nullptr;
};

LayoutSettings LayoutSettingsOf(const ConversionState& state);

}  // namespace vezuved
