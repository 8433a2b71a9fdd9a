// `korvane info` and the help texts.
#include "tests/host/cli_fixture.h"

namespace korvane::host_test {
namespace {

class Info : public CliTest {};

TEST_F(Info, ShowsBothBuildsAsAHostReadsThem)
{
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> shown;
    };
    const std::vector<std::string> common{
        "Vendor         Qel Audio",
        "(vendor version 2000, VST 2400)",
        "Category       effect",
        "Flags          0x1010: replacing, double replacing",
        "Audio          1 input, 1 output",
        "Initial delay  0 frames",
        "Parameters (11)",
        "  0   Channel              Channel  1.000000  Lead",
        "  2   Thump                Hz       0.500000  525.0000",
        "  9   Loudspeaker Cabinet           0.500000  Modern American 4x12",
        "  10  Bypass                        0.000000  Off",
        "Programs (16)",
        "  15  Default",
    };
    const Case cases[] = {
        {{"info"}, {"Name           Korvane\n", "Unique id      KVN2 (1263947314)"}},
        {{"info", "--voicing", "base"}, {"Name           Korvane\n"}},
        {{"info", KORVANE_BASE_PLUGIN}, {"File           " KORVANE_BASE_PLUGIN, "Product        Korvane\n"}},
        {{"info", "--voicing", "variant"}, {"Name           Korvane Blazewound\n", "Unique id      KVB2 ("}},
        {{"info", "--plugin", KORVANE_VARIANT_PLUGIN}, {"Product        Korvane Blazewound\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const Outcome r = korvane(c.args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        for (const std::string& line : c.shown)
            EXPECT_NE(r.out.find(line), std::string::npos) << "missing: " << line << "\n" << r.out;
        for (const std::string& line : common)
            EXPECT_NE(r.out.find(line), std::string::npos) << "missing: " << line << "\n" << r.out;
    }
}

TEST_F(Info, EveryCommandHasHelpWithTheExitCodes)
{
    for (const char* command : {"render", "info", "demo"}) {
        SCOPED_TRACE(command);
        const Outcome r = korvane({command, "--help"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.out.starts_with(std::string("usage: korvane ") + command)) << r.out;
        EXPECT_NE(r.out.find("130  interrupted"), std::string::npos);
    }
    const Outcome r = korvane({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("render IN OUT"), std::string::npos);
    EXPECT_EQ(korvane({}).exitCode, 2);
}

} // namespace
} // namespace korvane::host_test
