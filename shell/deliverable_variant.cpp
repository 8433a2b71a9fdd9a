#include "engine/preamp_stage_loops.h"
#include "engine/signal_chain.h"
#include "shell/deliverable.h"
#include "shell/vst2.h"

namespace korvane {

template void firstStageRun<Voicing::variant>(double*, int32_t);
template void fourthStageRun<Voicing::variant>(double*, int32_t);
template void secondStageRun<Voicing::variant>(double*, int32_t, double);
template void thirdStageRun<Voicing::variant>(double*, int32_t);

const Deliverable kVariantDeliverable{
    "Korvane Blazewound",
    fourCharCode("KVB2"),
    &processBlock<Voicing::variant, float>,
    &processBlock<Voicing::variant, double>,
};

} // namespace korvane
