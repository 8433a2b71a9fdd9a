// What distinguishes the two plug-ins built from this tree: identity and
// the preamplifier voicing compiled into the chain. Each deliverable's
// definition lives in its own source file, so a plug-in links exactly one.
#pragma once

#include <cstdint>

#include "engine/preamp_engine.h"

namespace korvane {

struct Deliverable {
    const char* effectName;  // also the product string
    int32_t uniqueID;
    void (*process32)(PreampEngine&, const float*, float*, int32_t);
    void (*process64)(PreampEngine&, const double*, double*, int32_t);
};

inline constexpr const char* kVendorName = "Qel Audio";
inline constexpr int32_t kVendorVersion = 2000;

extern const Deliverable kBaseDeliverable;     // "Korvane", hard-clipping preamp
extern const Deliverable kVariantDeliverable;  // "Korvane Blazewound", soft saturators

} // namespace korvane
