// korvane: a command-line VST 2 host for offline rendering. It loads a
// plug-in library through its exported entry point, as any host does, and
// knows the plug-in only through the AEffect record.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "host/console.h"
#include "host/demo.h"
#include "host/failure.h"
#include "host/info.h"
#include "host/interrupt.h"
#include "host/our_plugins.h"
#include "host/plugin.h"
#include "host/render.h"

using namespace korvane::host;

namespace {

constexpr const char* kExitCodes = R"(Exit codes:
  0    done (warnings, if any, are on stderr)
  1    unexpected failure
  2    command line: unknown option, unknown parameter, value out of range
  3    input audio file missing or unreadable
  4    plug-in not found or cannot be loaded
  5    output file cannot be written
  130  interrupted (Ctrl-C); no output file is left behind
)";

constexpr const char* kMainHelp = R"(usage: korvane COMMAND [ARGS]

A command-line host for VST 2 plug-ins, made for Korvane.

Commands:
  demo [OUTDIR]          render the bundled DI guitar clip through both
                         Korvane voicings and a few settings
  render IN OUT [...]    process an audio file through a plug-in
  info [PLUGIN]          show a plug-in's identity, parameters and programs

Run korvane COMMAND --help for a command's options.
)";

constexpr const char* kPluginOptions =
    R"(  --plugin PATH        a VST 2 plug-in library (.so); any plug-in, not only ours
  --voicing base|variant
                       one of the two Korvane builds: base is Korvane,
                       variant is Korvane Blazewound (default: base)
)";

constexpr const char* kRenderHelp = R"(usage: korvane render IN OUT [options]

Processes IN through the plug-in at IN's sample rate and writes OUT. IN is
any file libsndfile reads (WAV, FLAC, AIFF, Ogg, ...). A file with more
channels than the plug-in has inputs is mixed to mono. OUT's format follows
its extension (.wav .w64 .rf64 .aif .aiff .caf .au .flac .ogg); WAV and the
other PCM containers get 32-bit float by default, since the amplifier's
output is not limited to full scale. OUT appears only when complete.

Options:
)";

constexpr const char* kRenderOptions = R"(  --set NAME_OR_INDEX=VALUE
                       set a parameter before processing (repeatable,
                       applied in order, after --program). NAME is matched
                       without regard to case; INDEX counts from 0 as in
                       korvane info. VALUE is one of:
                         0.8          a bare number: the normalised value,
                                      0..1, never the unit
                         300Hz, 150 %, 7.5 level
                                      a number and the parameter's unit as
                                      korvane info shows it; the host finds
                                      the value whose display reads so
                         Lead, Modern British 4x12
                                      one of the parameter's display texts
                       e.g. --set "Preamp Drive=0.8" --set 9=0.875
                            --set Thump=300Hz --set "Loudspeaker Cabinet=Modern British 4x12"
  --program N          select program N (from 0) first
  --block N            frames per processing call (default 512); the last
                       block is padded with silence
  --double             process 64-bit samples (processDoubleReplacing)
  --format F           OUT's samples: float, double, pcm16, pcm24, pcm32
                       (default float; 24-bit for FLAC)
  -h, --help           this text

Warnings: IN at a rate where Korvane passes audio through unchanged; the
cabinet skipped because of the block size; integer output clipped.

)";

constexpr const char* kInfoHelp = R"(usage: korvane info [PLUGIN] [options]

Shows a plug-in's name, vendor, product, unique id, version, flags, audio
inputs and outputs, initial delay, parameters (name, unit, value, display)
and programs.

Options:
)";

constexpr const char* kDemoHelp = R"(usage: korvane demo [OUTDIR] [--input FILE]

Renders the bundled DI guitar clip (single notes, a chord, palm-muted chugs)
through Korvane and Korvane Blazewound with a few settings into OUTDIR
(default ./korvane-demo, created if missing), as 32-bit float WAV files, and
lists them.

Options:
  --input FILE         another clip instead of the bundled one
  -h, --help           this text

)";

// Options of one command: each may be written "--name value" or
// "--name=value"; everything not starting with '-' is positional.
class Arguments {
public:
    Arguments(int argc, char** argv, int first, const char* command) : name(command)
    {
        for (int i = first; i < argc; ++i)
            args.emplace_back(argv[i]);
    }

    bool next() { return at < args.size(); }
    const std::string& peek() const { return args[at]; }

    // True (and advances) if the current argument is the flag.
    bool flag(const char* option)
    {
        if (args[at] != option)
            return false;
        ++at;
        return true;
    }

    // The value of --option, if the current argument is it.
    std::optional<std::string> option(const char* option)
    {
        const std::string& a = args[at];
        const size_t n = std::strlen(option);
        if (a.compare(0, n, option) != 0)
            return std::nullopt;
        if (a.size() == n) {
            if (at + 1 >= args.size())
                throw Failure(kExitUsage, std::string(option) + " needs a value");
            at += 2;
            return args[at - 1];
        }
        if (a[n] != '=')
            return std::nullopt;
        ++at;
        return a.substr(n + 1);
    }

    std::string positional()
    {
        const std::string& a = args[at];
        if (a.size() > 1 && a[0] == '-')
            throw Failure(kExitUsage, "unknown option " + a + " (see korvane " + name + " --help)");
        ++at;
        return a;
    }

private:
    std::string name;
    std::vector<std::string> args;
    size_t at = 0;
};

int integerOption(const std::string& text, const char* option, int lowest, int highest)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value < lowest || value > highest)
        throw Failure(kExitUsage, std::string(option) + " " + text + ": give a whole number from " +
                                      std::to_string(lowest) + " to " + std::to_string(highest));
    return value;
}

// --plugin and --voicing, shared by render and info.
struct PluginChoice {
    std::optional<std::string> path;
    std::optional<Voicing> voicing;

    bool parse(Arguments& args)
    {
        if (auto p = args.option("--plugin")) {
            path = *p;
            return true;
        }
        if (auto v = args.option("--voicing")) {
            voicing = voicingNamed(*v);
            if (!voicing)
                throw Failure(kExitUsage, "--voicing " + *v + ": give base or variant");
            return true;
        }
        return false;
    }

    std::string resolve() const
    {
        if (path && voicing)
            throw Failure(kExitUsage, "give --plugin or --voicing, not both");
        return path ? *path : defaultPluginPath(voicing.value_or(Voicing::base));
    }
};

int renderCommand(Arguments& args)
{
    RenderOptions options;
    PluginChoice choice;
    std::vector<std::string> files;
    while (args.next()) {
        if (args.flag("-h") || args.flag("--help")) {
            std::cout << kRenderHelp << kPluginOptions << kRenderOptions << kExitCodes;
            return kExitOk;
        }
        if (choice.parse(args))
            continue;
        if (auto s = args.option("--set"))
            options.settings.push_back(*s);
        else if (auto p = args.option("--program"))
            options.program = integerOption(*p, "--program", 0, 1 << 20);
        else if (auto b = args.option("--block"))
            options.blockSize = integerOption(*b, "--block", 1, 1 << 20);
        else if (args.flag("--double"))
            options.doublePrecision = true;
        else if (auto f = args.option("--format"))
            options.sampleFormat = *f;
        else
            files.push_back(args.positional());
    }
    if (files.size() != 2)
        throw Failure(kExitUsage, "render needs IN and OUT (see korvane render --help)");
    options.plugin = choice.resolve();

    const RenderResult r = render(files[0], files[1], options);
    std::printf("%s -> %s through %s\n", files[0].c_str(), files[1].c_str(), r.plugin.c_str());
    if (!r.program.empty())
        std::printf("  program   %d \"%s\"\n", *options.program, r.program.c_str());
    for (const AppliedSetting& s : r.settings)
        std::printf("  %-2d %-24s %-28s (%.6g)\n", s.index, s.name.c_str(), s.shown.c_str(),
                    static_cast<double>(s.value));
    std::printf("  wrote %.2f s, %d Hz, %d channel(s), %s; peak %s, RMS %s\n",
                static_cast<double>(r.frames) / r.sampleRate, r.sampleRate, r.channels, r.format.c_str(),
                dbfs(r.peak).c_str(), dbfs(r.rms).c_str());
    return kExitOk;
}

int infoCommand(Arguments& args)
{
    PluginChoice choice;
    while (args.next()) {
        if (args.flag("-h") || args.flag("--help")) {
            std::cout << kInfoHelp << kPluginOptions << "  -h, --help           this text\n\n" << kExitCodes;
            return kExitOk;
        }
        if (choice.parse(args))
            continue;
        const std::string path = args.positional();
        if (choice.path)
            throw Failure(kExitUsage, "info takes one plug-in (see korvane info --help)");
        choice.path = path;
    }
    const auto plugin = Plugin::load(choice.resolve());
    plugin->dispatch(effOpen);
    printInfo(*plugin, std::cout);
    return kExitOk;
}

int demoCommand(Arguments& args)
{
    std::optional<std::string> folder;
    std::string clip = demoClipPath();
    while (args.next()) {
        if (args.flag("-h") || args.flag("--help")) {
            std::cout << kDemoHelp << kExitCodes;
            return kExitOk;
        }
        if (auto i = args.option("--input")) {
            clip = *i;
            continue;
        }
        const std::string path = args.positional();
        if (folder)
            throw Failure(kExitUsage, "demo takes one output folder (see korvane demo --help)");
        folder = path;
    }
    runDemo(folder.value_or("korvane-demo"), clip);
    return kExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    catchInterrupts();
    if (argc < 2) {
        std::cerr << kMainHelp;
        return kExitUsage;
    }
    const std::string command = argv[1];
    try {
        if (command == "-h" || command == "--help" || command == "help") {
            std::cout << kMainHelp << "\n" << kExitCodes;
            return kExitOk;
        }
        if (command == "--version") {
            std::cout << "korvane " << KORVANE_VERSION << "\n";
            return kExitOk;
        }
        Arguments args(argc, argv, 2, command.c_str());
        if (command == "render")
            return renderCommand(args);
        if (command == "info")
            return infoCommand(args);
        if (command == "demo")
            return demoCommand(args);
        throw Failure(kExitUsage, "unknown command \"" + command + "\" (see korvane --help)");
    } catch (const Failure& f) {
        error(f.what());
        return f.code;
    } catch (const std::exception& e) {
        error(e.what());
        return kExitFailure;
    }
}
