#include "tests/host/cli_fixture.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>

#include "shell/vst2.h"

extern char** environ;

namespace korvane::host_test {

namespace fs = std::filesystem;

void CliTest::SetUp()
{
    std::string pattern = (fs::temp_directory_path() / "korvane-cli-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
    work = root / "work";
    fs::create_directory(work);
}

void CliTest::TearDown()
{
    std::error_code ec;
    fs::remove_all(root, ec);
}

namespace {

std::string slurp(const fs::path& p)
{
    std::ifstream f(p);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

} // namespace

Outcome CliTest::korvane(const std::vector<std::string>& args) const
{
    const std::string out = (root / "stdout.txt").string(), err = (root / "stderr.txt").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    std::vector<std::string> all{KORVANE_HOST_BINARY};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return {-1, "", "cannot start " + all[0]};
    int status = 0;
    waitpid(pid, &status, 0);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return {code, slurp(out), slurp(err)};
}

std::vector<std::string> CliTest::files() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(work))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<double> testSignal(size_t frames, int sampleRate, double peak)
{
    std::vector<double> x(frames);
    uint32_t noise = 12345;
    const double rate = sampleRate;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        noise = noise * 1664525u + 1013904223u;
        const double n = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.02;
        const double w = 2.0 * std::numbers::pi * 110.0 * t;
        const double pluck = std::exp(-3.0 * t) * (std::sin(w) + 0.5 * std::sin(2.0 * w) + 0.25 * std::sin(3.0 * w));
        x[i] = peak * (pluck / 1.75 + n);
    }
    return x;
}

void writeAudio(const std::string& path, const Audio& audio, int format)
{
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = audio.channels;
    info.format = format != 0 ? format : SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    const auto frames = static_cast<sf_count_t>(audio.samples.size() / static_cast<size_t>(audio.channels));
    EXPECT_EQ(sf_writef_double(f, audio.samples.data(), frames), frames);
    sf_close(f);
}

Audio readAudio(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr) {
        ADD_FAILURE() << "cannot read " << path << ": " << sf_strerror(nullptr);
        return {};
    }
    Audio a{info.samplerate, info.channels,
            std::vector<double>(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels))};
    EXPECT_EQ(sf_readf_double(f, a.samples.data(), info.frames), info.frames);
    sf_close(f);
    return a;
}

::testing::AssertionResult sameSamples(const std::vector<double>& actual, const std::vector<double>& expected)
{
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << actual.size() << " samples, expected " << expected.size();
    const auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin());
    if (a == actual.end())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "sample " << (a - actual.begin()) << " of " << actual.size() << " is "
                                         << *a << ", expected " << *e;
}

namespace {

int directRate = 44100;

intptr_t VSTCALLBACK directHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    if (opcode == audioMasterVersion)
        return 2400;
    if (opcode == audioMasterGetSampleRate)
        return directRate;
    return 0;
}

void process(AEffect* e, float** in, float** out, int32_t n) { e->processReplacing(e, in, out, n); }
void process(AEffect* e, double** in, double** out, int32_t n) { e->processDoubleReplacing(e, in, out, n); }

} // namespace

template <typename Sample>
std::vector<Sample> processDirectly(const std::string& plugin, int sampleRate,
                                    const std::vector<std::pair<int32_t, float>>& settings,
                                    const std::vector<Sample>& input)
{
    void* library = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        ADD_FAILURE() << dlerror();
        return {};
    }
    using Entry = AEffect* (*)(audioMasterCallback);
    directRate = sampleRate;
    AEffect* e = reinterpret_cast<Entry>(dlsym(library, "VSTPluginMain"))(&directHost);
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    e->dispatcher(e, effSetBlockSize, 0, static_cast<intptr_t>(input.size()), nullptr, 0.0f);
    for (const auto& [index, value] : settings)
        e->setParameter(e, index, value);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    std::vector<Sample> x = input, y(input.size());
    Sample* in[] = {x.data()};
    Sample* out[] = {y.data()};
    process(e, in, out, static_cast<int32_t>(x.size()));
    e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    dlclose(library);
    return y;
}

template std::vector<float> processDirectly(const std::string&, int, const std::vector<std::pair<int32_t, float>>&,
                                            const std::vector<float>&);
template std::vector<double> processDirectly(const std::string&, int, const std::vector<std::pair<int32_t, float>>&,
                                             const std::vector<double>&);

} // namespace korvane::host_test
