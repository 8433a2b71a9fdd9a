// Every way `korvane` refuses: one line on stderr saying why, the exit code
// its help documents, and no output file, partial or temporary, left behind.
#include <sndfile.h>

#include <fstream>

#include "tests/host/cli_fixture.h"

namespace korvane::host_test {
namespace {

struct Refusal {
    const char* what;
    std::vector<std::string> args;  // {in}, {work}: the test's files and folder
    int exitCode;
    const char* message;
};

const Refusal kRefusals[] = {
    {"missing input", {"render", "{work}/absent.wav", "{work}/out.wav"}, 3, "input file not found: "},
    {"input that is not audio", {"render", "{work}/notes.txt", "{work}/out.wav"}, 3, "cannot read "},
    {"unknown parameter", {"render", "{in}", "{work}/out.wav", "--set", "Gain=0.5"}, 2,
     "unknown parameter \"Gain\"; Korvane (KVN2) has: Channel, Input Sensitivity,"},
    {"parameter index past the last", {"render", "{in}", "{work}/out.wav", "--set", "11=0.5"}, 2,
     "no parameter 11; Korvane (KVN2) has 0..10"},
    {"normalised value out of range", {"render", "{in}", "{work}/out.wav", "--set", "Preamp Drive=1.5"}, 2,
     "out of range: a bare number is the normalised value, 0..1; in its unit, write \"1.5 Level\""},
    {"negative value", {"render", "{in}", "{work}/out.wav", "--set", "Bass=-0.1"}, 2, "out of range"},
    {"unit value out of range", {"render", "{in}", "{work}/out.wav", "--set", "Thump=20Hz"}, 2,
     "out of range: Thump goes from 50.00000 to 1000.000 Hz"},
    {"wrong unit", {"render", "{in}", "{work}/out.wav", "--set", "Thump=0.3kHz"}, 2,
     "\"0.3kHz\" is not a value of Thump; give 0..1, or a number in Hz"},
    {"text the parameter never shows", {"render", "{in}", "{work}/out.wav", "--set", "Loudspeaker Cabinet=Green 4x12"},
     2, "is not a setting of Loudspeaker Cabinet; it shows: Disengaged, Vintage American 4x10,"},
    {"setting without a value", {"render", "{in}", "{work}/out.wav", "--set", "Bass"}, 2, "--set expects"},
    {"program past the last", {"render", "{in}", "{work}/out.wav", "--program", "16"}, 2, "programs 0..15"},
    {"block size zero", {"render", "{in}", "{work}/out.wav", "--block", "0"}, 2, "--block 0: give a whole number"},
    {"unknown output type", {"render", "{in}", "{work}/out.mp9"}, 2, "cannot tell the output format"},
    {"sample format FLAC cannot hold", {"render", "{in}", "{work}/out.flac", "--format", "float"}, 2,
     "FLAC cannot hold 32-bit float samples"},
    {"unknown option", {"render", "{in}", "{work}/out.wav", "--gain", "3"}, 2, "unknown option --gain"},
    {"output folder missing", {"render", "{in}", "{work}/missing/out.wav"}, 5, "cannot write "},
    {"plug-in not found", {"render", "{in}", "{work}/out.wav", "--plugin", "{work}/none.so"}, 4,
     "plug-in not found: "},
    {"library without entry point", {"render", "{in}", "{work}/out.wav", "--plugin", STUB_NO_ENTRY}, 4,
     "exports neither VSTPluginMain nor main"},
    {"entry point returning nothing", {"render", "{in}", "{work}/out.wav", "--plugin", STUB_NULL_ENTRY}, 4,
     "returned no effect from its entry point"},
    {"plug-in that is not a library", {"info", "{work}/notes.txt"}, 4, "cannot load plug-in "},
    {"64-bit on a plug-in without it", {"render", "{in}", "{work}/out.wav", "--plugin", STUB_INTERRUPTING, "--double"},
     2, "does not process 64-bit samples"},
    {"Ctrl-C in the middle", {"render", "{in}", "{work}/out.wav", "--plugin", STUB_INTERRUPTING, "--block", "64"},
     130, "interrupted"},
    {"unknown command", {"play", "{in}"}, 2, "unknown command \"play\""},
};

class Refuses : public CliTest {};

TEST_F(Refuses, WithOneLineAnExitCodeAndNoOutputFile)
{
    writeAudio(path("in.wav"), {44100, 1, testSignal(4000, 44100)});
    std::ofstream(path("notes.txt")) << "not audio\n";
    const std::vector<std::string> before = files();

    for (const Refusal& c : kRefusals) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args;
        for (std::string a : c.args) {
            if (a == "{in}")
                a = path("in.wav");
            if (a.starts_with("{work}"))
                a = work.string() + a.substr(6);
            args.push_back(a);
        }
        const Outcome r = korvane(args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_TRUE(r.err.starts_with("korvane: error: ")) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(files(), before);
    }
}

// A failed render must not touch a file already at the destination either.
TEST_F(Refuses, LeavesAnExistingOutputAsItWas)
{
    writeAudio(path("in.wav"), {44100, 1, testSignal(4000, 44100)});
    writeAudio(path("out.wav"), {44100, 1, {0.25, -0.25}});
    const Outcome r =
        korvane({"render", path("in.wav"), path("out.wav"), "--plugin", STUB_INTERRUPTING, "--block", "64"});
    EXPECT_EQ(r.exitCode, 130) << r.err;
    EXPECT_EQ(readAudio(path("out.wav")).samples, (std::vector<double>{0.25, -0.25}));
    EXPECT_EQ(files(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

} // namespace
} // namespace korvane::host_test
