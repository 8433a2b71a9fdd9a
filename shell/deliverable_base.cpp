#include "engine/signal_chain.h"
#include "shell/deliverable.h"
#include "shell/vst2.h"

namespace korvane {

const Deliverable kBaseDeliverable{
    "Korvane",
    fourCharCode("KVN2"),
    &processBlock<Voicing::base, float>,
    &processBlock<Voicing::base, double>,
};

} // namespace korvane
