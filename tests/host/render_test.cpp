// `korvane render` and `korvane demo`, run as a user runs them.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "tests/host/cli_fixture.h"

namespace korvane::host_test {
namespace {

struct Build {
    const char* plugin;
    const char* voicing;
};

const Build kBuilds[] = {{KORVANE_BASE_PLUGIN, "base"}, {KORVANE_VARIANT_PLUGIN, "variant"}};

class Render : public CliTest {
protected:
    // A mono float WAV of the test signal; returns its samples.
    std::vector<double> monoInput(const std::string& name, size_t frames, int rate)
    {
        std::vector<double> x = testSignal(frames, rate);
        writeAudio(path(name), {rate, 1, x});
        return x;
    }
};

// The host adds nothing and loses nothing: whatever its block size (the
// last block padded), its output is what the plug-in gives for the same
// samples in one call, bit for bit, in both precisions.
TEST_F(Render, OutputIsExactlyWhatThePluginComputes)
{
    const int rate = 48000;
    const std::vector<double> x = monoInput("in.wav", 3001, rate);
    const std::vector<std::pair<int32_t, float>> settings{{3, 0.7f}, {4, 0.2f}, {9, 0.5f}};
    const std::vector<std::string> sets{"--set", "Preamp Drive=0.7", "--set", "Bass=0.2", "--set", "9=0.5"};

    for (const Build& b : kBuilds) {
        // What the float WAV holds, in both precisions.
        const std::vector<float> xf(x.begin(), x.end());
        const std::vector<double> xd(xf.begin(), xf.end());
        const std::vector<float> wantFloat = processDirectly(b.plugin, rate, settings, xf);
        const std::vector<double> wantDouble = processDirectly(b.plugin, rate, settings, xd);
        ASSERT_NE(wantFloat, xf);  // the settings do something

        for (const char* block : {"512", "97"}) {
            SCOPED_TRACE(std::string(b.voicing) + ", --block " + block);
            std::vector<std::string> args{"render", path("in.wav"), path("out.wav"), "--voicing", b.voicing,
                                          "--block", block};
            args.insert(args.end(), sets.begin(), sets.end());
            Outcome r = korvane(args);
            ASSERT_EQ(r.exitCode, 0) << r.err;
            const Audio y = readAudio(path("out.wav"));
            EXPECT_EQ(y.sampleRate, rate);
            ASSERT_EQ(y.channels, 1);
            EXPECT_TRUE(sameSamples(y.samples, std::vector<double>(wantFloat.begin(), wantFloat.end())));

            args.insert(args.end(), {"--double", "--format", "double"});
            args[2] = path("out64.wav");
            r = korvane(args);
            ASSERT_EQ(r.exitCode, 0) << r.err;
            EXPECT_TRUE(sameSamples(readAudio(path("out64.wav")).samples, wantDouble));
        }
    }
}

TEST_F(Render, StereoIsMixedToMonoWithANote)
{
    const int rate = 44100;
    // The file holds floats; the mix is taken from what it holds.
    const std::vector<double> a = testSignal(2000, rate, 0.3), b = testSignal(2000, rate, -0.07);
    const std::vector<float> left(a.begin(), a.end()), right(b.begin(), b.end());
    std::vector<double> stereo;
    std::vector<float> mix;
    for (size_t i = 0; i < left.size(); ++i) {
        stereo.push_back(left[i]);
        stereo.push_back(right[i]);
        mix.push_back(static_cast<float>((static_cast<double>(left[i]) + right[i]) / 2.0));
    }
    writeAudio(path("stereo.wav"), {rate, 2, stereo});

    const Outcome r = korvane({"render", path("stereo.wav"), path("out.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("note: " + path("stereo.wav") + " has 2 channels; mixed to mono"), std::string::npos)
        << r.err;
    const Audio y = readAudio(path("out.wav"));
    EXPECT_EQ(y.channels, 1);
    const std::vector<float> want = processDirectly(KORVANE_BASE_PLUGIN, rate, {}, mix);
    EXPECT_TRUE(sameSamples(y.samples, std::vector<double>(want.begin(), want.end())));
}

// Every way of writing a setting lands on the same value, and that value
// changes the sound.
TEST_F(Render, SettingsByNameIndexUnitAndTextAgree)
{
    struct Group {
        std::vector<std::string> forms;
        std::string shown;  // how the host reports the result
    };
    const Group groups[] = {
        {{"Preamp Drive=0.8", "3=0.8", "preamp drive=8 Level", " PREAMP DRIVE = 8level"}, "8.000000 Level"},
        {{"Input Sensitivity=0.75", "1=0.75", "input sensitivity=150%"}, "150.0000 %"},
        {{"Thump=300Hz", "thump = 300 HZ", "2=300 Hz"}, "300.0000 Hz"},
        {{"Channel=Clean", "0=0", "channel=CLEAN"}, "Clean"},
        {{"Loudspeaker Cabinet=Modern British 4x12", "9=0.75", "9=0.8", "loudspeaker cabinet=modern british 4X12"},
         "Modern British 4x12"},
        {{"Loudspeaker Cabinet=Disengaged", "9=0", "9=0.1"}, "Disengaged"},
        {{"Bypass=On", "10=1", "bypass=on"}, "On"},
    };
    monoInput("in.wav", 2048, 44100);
    ASSERT_EQ(korvane({"render", path("in.wav"), path("default.wav")}).exitCode, 0);
    const Audio plain = readAudio(path("default.wav"));

    for (const Group& g : groups) {
        std::vector<double> first;
        for (const std::string& form : g.forms) {
            SCOPED_TRACE("--set \"" + form + "\"");
            const Outcome r = korvane({"render", path("in.wav"), path("out.wav"), "--set", form});
            ASSERT_EQ(r.exitCode, 0) << r.err;
            EXPECT_NE(r.out.find(g.shown), std::string::npos) << r.out;
            const Audio y = readAudio(path("out.wav"));
            if (first.empty()) {
                first = y.samples;
                EXPECT_NE(first, plain.samples);
            } else {
                EXPECT_EQ(y.samples, first);
            }
        }
    }
}

TEST_F(Render, ProgramIsSelectedBeforeTheSettings)
{
    monoInput("in.wav", 1024, 44100);
    const Outcome r = korvane({"render", path("in.wav"), path("out.wav"), "--program", "3", "--set", "Treble=0.9"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("program   3 \"Default\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("9.000000 Level"), std::string::npos) << r.out;
}

TEST_F(Render, WarnsAboutWhatTheListenerWouldOtherwiseMiss)
{
    struct Case {
        const char* what;
        int rate;
        std::vector<std::string> options;
        const char* output;
        const char* warning;  // nullptr: no warning at all
    };
    const Case cases[] = {
        {"a supported rate", 48000, {}, "out.wav", nullptr},
        {"a rate the amplifier does not run at", 22050, {}, "out.wav", "passes audio through unchanged"},
        {"odd blocks at 96 kHz with a cabinet", 96000, {"--block", "511", "--set", "9=0.5"}, "out.wav",
         "cabinet was skipped in 4 of 4 blocks"},
        {"even blocks at 96 kHz with a cabinet", 96000, {"--block", "510", "--set", "9=0.5"}, "out.wav", nullptr},
        {"blocks of 4 at 192 kHz", 192000, {"--block", "6", "--set", "9=0.5"}, "out.wav", "multiple of 4 frames"},
        {"loud output into 16 bits", 44100, {"--set", "Output Volume=1", "--set", "9=0", "--format", "pcm16"},
         "out.wav", "clipped: the output peaks at +"},
        {"loud output into float", 44100, {"--set", "Output Volume=1", "--set", "9=0"}, "out.wav", nullptr},
        {"loud output into FLAC", 44100, {"--set", "Output Volume=1", "--set", "9=0"}, "out.flac",
         "24-bit FLAC stops at 0 dBFS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // An odd length: the last block is short unless the host pads it.
        const std::vector<double> x = monoInput("in.wav", 2001, c.rate);
        std::vector<std::string> args{"render", path("in.wav"), path(c.output)};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Outcome r = korvane(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        if (c.warning == nullptr) {
            EXPECT_EQ(r.err, "");
            continue;
        }
        EXPECT_NE(r.err.find(std::string("warning: ")), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.warning), std::string::npos) << r.err;
        if (c.rate == 22050) {
            const std::vector<float> xf(x.begin(), x.end());
            EXPECT_EQ(readAudio(path("out.wav")).samples, std::vector<double>(xf.begin(), xf.end()));
        }
    }
}

TEST_F(Render, DemoRendersTheBundledClipThroughBothVoicings)
{
    const Outcome r = korvane({"demo", path("demo")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Audio clip = readAudio(KORVANE_DEMO_CLIP);
    std::vector<std::vector<double>> takes;
    size_t korvane = 0, blazewound = 0;
    for (const auto& entry : std::filesystem::directory_iterator(work / "demo")) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        EXPECT_NE(r.out.find(name), std::string::npos) << r.out;
        korvane += name.starts_with("korvane-");
        blazewound += name.starts_with("blazewound-");
        const Audio y = readAudio(entry.path().string());
        EXPECT_EQ(y.sampleRate, clip.sampleRate);
        EXPECT_EQ(y.samples.size(), clip.samples.size());
        double peak = 0.0;
        for (double v : y.samples) {
            ASSERT_TRUE(std::isfinite(v));
            peak = std::max(peak, std::fabs(v));
        }
        // Audible and not clipping a listener's playback.
        EXPECT_GT(peak, 0.05);
        EXPECT_LT(peak, 1.0);
        EXPECT_EQ(std::count(takes.begin(), takes.end(), y.samples), 0) << "same as another take";
        takes.push_back(y.samples);
    }
    EXPECT_GE(korvane, 2u);
    EXPECT_GE(blazewound, 2u);
}

// A plug-in nobody here wrote: ZamTube, from Debian's zam-plugins.
TEST_F(Render, DrivesAThirdPartyPlugin)
{
    const char* zamTube = "/usr/lib/vst/ZamTube-vst.so";
    if (!std::filesystem::exists(zamTube))
        GTEST_SKIP() << zamTube << " not installed (apt-get install zam-plugins)";

    Outcome r = korvane({"info", zamTube});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("ZamTube"), std::string::npos);
    EXPECT_NE(r.out.find("Tube Drive"), std::string::npos);

    const std::vector<double> x = monoInput("in.wav", 4410, 44100);
    r = korvane({"render", path("in.wav"), path("out.wav"), "--plugin", zamTube, "--set", "Tube Drive=0.6"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Audio y = readAudio(path("out.wav"));
    ASSERT_EQ(y.samples.size(), x.size());
    EXPECT_TRUE(std::all_of(y.samples.begin(), y.samples.end(), [](double v) { return std::isfinite(v); }));
    EXPECT_NE(y.samples, std::vector<double>(x.begin(), x.end()));
    EXPECT_GT(*std::max_element(y.samples.begin(), y.samples.end()), 0.001);
}

} // namespace
} // namespace korvane::host_test
