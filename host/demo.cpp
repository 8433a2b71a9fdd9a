#include "host/demo.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "host/console.h"
#include "host/failure.h"
#include "host/our_plugins.h"
#include "host/render.h"

namespace korvane::host {

namespace {

struct Take {
    const char* file;
    Voicing voicing;
    const char* description;
    std::vector<std::string> settings;  // --set syntax, as a user would write it
};

// Output Volume evens out the levels (the clean channel runs ten times the
// lead channel's output gain, and each cabinet has its own loudness), so
// the takes compare at a similar peak level, around -8 dBFS.
const std::vector<Take>& takes()
{
    static const std::vector<Take> kTakes = {
        {"korvane-clean.wav", Voicing::base, "Korvane, clean channel, Modern American 2x12",
         {"Channel=Clean", "Input Sensitivity=150 %", "Preamp Drive=0.7", "Bass=6 Level", "Poweramp Drive=0.8",
          "Output Volume=0.12", "Loudspeaker Cabinet=Modern American 2x12"}},
        {"korvane-lead.wav", Voicing::base, "Korvane, lead channel, Modern British 4x12",
         {"Channel=Lead", "Preamp Drive=0.7", "Thump=300 Hz", "Poweramp Drive=0.7", "Output Volume=0.25",
          "Loudspeaker Cabinet=Modern British 4x12"}},
        {"korvane-lead-no-cabinet.wav", Voicing::base, "Korvane, the same lead sound without a cabinet",
         {"Channel=Lead", "Preamp Drive=0.7", "Thump=300 Hz", "Poweramp Drive=0.7", "Output Volume=0.19",
          "Loudspeaker Cabinet=Disengaged"}},
        {"blazewound-clean.wav", Voicing::variant, "Korvane Blazewound, clean channel, Vintage American 4x10",
         {"Channel=Clean", "Input Sensitivity=150 %", "Preamp Drive=0.8", "Poweramp Drive=1", "Output Volume=0.078",
          "Loudspeaker Cabinet=Vintage American 4x10"}},
        {"blazewound-crunch.wav", Voicing::variant, "Korvane Blazewound, light drive, Boutique British 4x12",
         {"Channel=Lead", "Preamp Drive=0.45", "Middle=6.5 Level", "Poweramp Drive=0.8", "Output Volume=0.23",
          "Loudspeaker Cabinet=Boutique British 4x12"}},
        {"blazewound-lead.wav", Voicing::variant, "Korvane Blazewound, lead channel, Vintage British 4x12",
         {"Channel=Lead", "Preamp Drive=0.75", "Poweramp Drive=0.6", "Output Volume=0.31",
          "Loudspeaker Cabinet=Vintage British 4x12"}},
    };
    return kTakes;
}

} // namespace

void runDemo(const std::string& folder, const std::string& clip)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        throw Failure(kExitOutput, "cannot create " + folder + ": " + ec.message());

    std::printf("Rendering %s into %s/\n", clip.c_str(), folder.c_str());
    for (const Take& take : takes()) {
        RenderOptions options;
        options.plugin = defaultPluginPath(take.voicing);
        options.settings = take.settings;
        const std::string out = (std::filesystem::path(folder) / take.file).string();
        const RenderResult r = render(clip, out, options);
        std::printf("  %-28s %-58s peak %s\n", take.file, take.description, dbfs(r.peak).c_str());
        std::fflush(stdout);
    }
    const auto where = std::filesystem::absolute(folder, ec);
    std::printf("Wrote %zu files (32-bit float WAV) to %s\n", takes().size(),
                (ec ? folder : where.lexically_normal().string()).c_str());
}

} // namespace korvane::host
