#include "engine/preamp_stage_loops.h"
#include "engine/signal_chain.h"
#include "shell/deliverable.h"
#include "shell/vst2.h"

namespace korvane {

template void preampRun<Voicing::base>(PreampStates&, const PreampControls&, double*, int32_t);

const Deliverable kBaseDeliverable{
    "Korvane",
    fourCharCode("KVN2"),
    &processBlock<Voicing::base, float>,
    &processBlock<Voicing::base, double>,
};

} // namespace korvane
