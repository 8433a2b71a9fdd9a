// Placeholder responses until the generated tables land: a decaying
// alternating sequence, enough to exercise selection and convolution.
#include "engine/cabinet_tables.h"

namespace korvane {

namespace {

std::array<CabinetTable, 2 * kCabinetCount> placeholder()
{
    std::array<CabinetTable, 2 * kCabinetCount> t{};
    for (std::size_t n = 0; n < t.size(); ++n) {
        double v = 0.1 / static_cast<double>(n + 1);
        for (double& h : t[n]) {
            h = v;
            v *= -0.99;
        }
    }
    return t;
}

} // namespace

const std::array<CabinetTable, 2 * kCabinetCount> kCabinetTables = placeholder();

} // namespace korvane
