// A format definition as a person reads it: what the library makes of each
// line, then a warning for every line or setting that will not do what its
// writer probably meant.
#pragma once

#include "core/definition_facts.h"

namespace vezuved::core {

DefinitionExplanation ExplainDefinition(const DefinitionFacts& facts);

}  // namespace vezuved::core
