#include "engine/preamp_stage_loops.h"
#include "engine/signal_chain.h"
#include "shell/deliverable.h"
#include "shell/vst2.h"

namespace korvane {

template void preampRun<Voicing::variant>(PreampStates&, const PreampControls&, double*, int32_t);

const Deliverable kVariantDeliverable{
    "Korvane Blazewound",
    fourCharCode("KVB2"),
    &processBlock<Voicing::variant, float>,
    &processBlock<Voicing::variant, double>,
};

} // namespace korvane
