#include "engine/signal_chain.h"
#include "shell/deliverable.h"
#include "shell/vst2.h"

namespace korvane {

const Deliverable kVariantDeliverable{
    "Korvane Blazewound",
    fourCharCode("KVB2"),
    &processBlock<Voicing::variant, float>,
    &processBlock<Voicing::variant, double>,
};

} // namespace korvane
