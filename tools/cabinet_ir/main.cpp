// cabinet_ir_gen: builds the fourteen 512-tap cabinet impulse responses of
// engine/cabinet_tables.cpp (seven cabinets, 44.1 and 48 kHz) and can draw
// their magnitude responses.
//
//   cabinet_ir_gen --tables engine/cabinet_tables.cpp [--plot docs/cabinet_responses.png]
//
// The model. Each cabinet is a continuous-time transfer function: the
// loudspeaker's low-frequency resonance (a closed box's 2nd-order high-pass,
// or for an open back a freer resonance plus the first-order loss where the
// rear wave cancels the front), a close microphone's bass lift, bell-shaped
// cone and cabinet resonances with the 2-4 kHz presence and breakup peaks, a
// 24 dB/octave breakup roll-off above 4-6 kHz settling on a low plateau, the
// microphone's own low-pass, a few later and duller arrivals (the other
// speakers, a floor bounce) that comb the mids, and the cone-to-mic delay.
// Its impulse response, faded out by 10.5 ms, is shared by both rate
// families, so the two tables of a cabinet sample one response.
//
// The fit. A weighted least-squares FIR fit to that response, with the taps
// the anchors name (the first three, the last, the peak tap) held at their
// values; a gain brings the response peak to exactly 0 dB; a small shape
// correction and a filler above 16.5 kHz bring the energies to their
// figures (see anchored_table.h and cabinet_tables.h). Everything runs on
// +, -, *, / and sqrt in a fixed order, so the output is the same, byte for
// byte, on any IEEE-754 machine.
#include <array>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>

#include "tools/cabinet_ir/cabinet_tables.h"
#include "tools/cabinet_ir/cabinets.h"
#include "tools/cabinet_ir/response_plot.h"
#include "tools/cabinet_ir/table_writer.h"

namespace {

int usage()
{
    std::fprintf(stderr, "usage: cabinet_ir_gen [--tables FILE.cpp] [--plot FILE.png]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string tablesPath, plotPath;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tables") == 0 && i + 1 < argc)
            tablesPath = argv[++i];
        else if (std::strcmp(argv[i], "--plot") == 0 && i + 1 < argc)
            plotPath = argv[++i];
        else
            return usage();
    }
    if (tablesPath.empty() && plotPath.empty())
        return usage();

    try {
        std::array<cabinet_ir::CabinetTables, 7> fitted;
        for (std::size_t i = 0; i < fitted.size(); ++i) {
            const cabinet_ir::Cabinet& c = cabinet_ir::cabinets()[i];
            fitted[i] = cabinet_ir::fitCabinet(c);
            std::printf("cabinet %d %-24s shape %+.3f dB, filler %.3f (44.1 kHz) %.3f (48 kHz)\n", c.number, c.name,
                        fitted[i].shapeDb, fitted[i].fill44k, fitted[i].fill48k);
        }
        if (!tablesPath.empty()) {
            std::ofstream out(tablesPath, std::ios::binary);
            out << cabinet_ir::tableSource(fitted);
            if (!out.flush())
                throw std::runtime_error("cannot write " + tablesPath);
        }
        if (!plotPath.empty())
            cabinet_ir::plotResponses(fitted, plotPath);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cabinet_ir_gen: %s\n", e.what());
        return 1;
    }
    return 0;
}
