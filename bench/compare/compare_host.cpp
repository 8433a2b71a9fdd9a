// korvane_compare: the real-time factor of Korvane beside other amplifier
// plug-ins, all driven the same way by this one host: the same mono DI clip,
// the same block size, fresh instances at each rate with default parameters,
// one warm-up run and the median of several timed runs. Only the plug-ins'
// process calls are timed, so every plug-in pays the same host overhead,
// none.
#include <sched.h>
#include <sndfile.h>
#include <unistd.h>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define KORVANE_COMPARE_HAS_MXCSR 1
#endif

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/compare/runner.h"

#ifndef KORVANE_COMPARE_CLIP
#define KORVANE_COMPARE_CLIP "resources/demo_di.flac"
#endif

namespace korvane::compare {
namespace {

struct PluginArg {
    enum class Format { Vst, Lv2 } format = Format::Vst;
    std::string location;  // path or URI
    bool doublePrecision = false;
    std::string label;
    std::vector<std::pair<std::string, float>> settings;  // LV2 only
};

struct Options {
    std::vector<double> rates{44100.0, 48000.0, 96000.0};
    int32_t block = 256;
    int runs = 5;
    double seconds = 8.0;
    std::string input = KORVANE_COMPARE_CLIP;
    bool flushDenormals = false;
    int cpu = -1;
    bool verbose = false;
    std::string dumpDir;
    std::vector<PluginArg> plugins;
};

struct Clip {
    std::vector<float> samples;
    double rate = 0.0;
    int channels = 0;
};

// One plug-in at one rate.
struct Cell {
    bool ok = false;
    std::string error;
    double medianRt = 0.0;     // audio seconds / seconds inside process calls
    double medianAllCpuRt = 0.0;  // audio seconds / whole-process CPU seconds
    std::vector<double> runRts;
    int latency = -1;
    int inputs = 0;
    int outputs = 0;
    int threadsStarted = 0;
    std::string name;
    std::string details;
    double rmsDb = -INFINITY;
    double peak = 0.0;
    long nonFinite = 0;
    bool identicalToInput = false;
    std::vector<float> lastRun;  // kept only for --dump
};

[[noreturn]] void usage(int code)
{
    std::ostream& os = code == 0 ? std::cout : std::cerr;
    os << "usage: korvane_compare [options] PLUGIN...\n"
          "\n"
          "PLUGIN is vst:/path/file.so, vst:/path/file.so:double or lv2:URI.\n"
          "\n"
          "options:\n"
          "  --rates LIST    sample rates in Hz, comma-separated (44100,48000,96000)\n"
          "  --block N       frames per process call (256)\n"
          "  --runs N        timed runs after the warm-up run; the median is reported (5)\n"
          "  --seconds S     seconds of audio per run, the clip looped as needed (8)\n"
          "  --input FILE    the DI clip, any format libsndfile reads, mixed to mono\n"
          "                  (" KORVANE_COMPARE_CLIP ")\n"
          "  --label TEXT    row label for the next PLUGIN\n"
          "  --set SYM=VALUE set a control input of the next PLUGIN (LV2 only; repeatable)\n"
          "                  instead of its default, for checks beside the default run\n"
          "  --ftz           set flush-to-zero and denormals-are-zero on the host thread\n"
          "                  (off: each plug-in handles denormals as it would in a plain host)\n"
          "  --cpu N         pin to CPU N (threads plug-ins start inherit it)\n"
          "  -v, --verbose   per-run factors, output level and instance details on stderr\n"
          "  --dump DIR      write each plug-in's last timed run to DIR as WAV, to listen to\n"
          "  -h, --help\n";
    std::exit(code);
}

[[noreturn]] void badUsage(const std::string& why)
{
    std::cerr << "korvane_compare: " << why << "\n";
    usage(2);
}

template <class T>
T parseNumber(const std::string& text, const char* what)
{
    std::istringstream in(text);
    T value{};
    in >> value;
    if (!in || !in.eof())
        badUsage(std::string("not a valid ") + what + ": " + text);
    return value;
}

PluginArg parsePlugin(const std::string& arg)
{
    PluginArg entry;
    if (arg.rfind("vst:", 0) == 0) {
        entry.format = PluginArg::Format::Vst;
        entry.location = arg.substr(4);
        for (const char* suffix : {":double", ":float"}) {
            const std::string s = suffix;
            if (entry.location.size() > s.size() &&
                entry.location.compare(entry.location.size() - s.size(), s.size(), s) == 0) {
                entry.doublePrecision = s == ":double";
                entry.location.resize(entry.location.size() - s.size());
                break;
            }
        }
    } else if (arg.rfind("lv2:", 0) == 0) {
        entry.format = PluginArg::Format::Lv2;
        entry.location = arg.substr(4);
    } else {
        badUsage("a plug-in is vst:PATH[:double] or lv2:URI, not " + arg);
    }
    if (entry.location.empty())
        badUsage("empty plug-in location in " + arg);
    return entry;
}

Options parseOptions(int argc, char** argv)
{
    Options o;
    std::string pendingLabel;
    std::vector<std::pair<std::string, float>> pendingSettings;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                badUsage(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "-h" || arg == "--help")
            usage(0);
        else if (arg == "--rates") {
            o.rates.clear();
            std::istringstream list(value());
            for (std::string item; std::getline(list, item, ',');)
                o.rates.push_back(parseNumber<double>(item, "rate"));
            if (o.rates.empty())
                badUsage("--rates needs at least one rate");
            for (double r : o.rates)
                if (!(r >= 8000.0 && r <= 768000.0))
                    badUsage("rate out of range: " + std::to_string(r));
        } else if (arg == "--block") {
            o.block = parseNumber<int32_t>(value(), "block size");
            if (o.block < 1 || o.block > 65536)
                badUsage("block size out of range");
        } else if (arg == "--runs") {
            o.runs = parseNumber<int>(value(), "run count");
            if (o.runs < 1 || o.runs > 1000)
                badUsage("run count out of range");
        } else if (arg == "--seconds") {
            o.seconds = parseNumber<double>(value(), "duration");
            if (!(o.seconds > 0.0 && o.seconds <= 3600.0))
                badUsage("duration out of range");
        } else if (arg == "--input")
            o.input = value();
        else if (arg == "--label")
            pendingLabel = value();
        else if (arg == "--set") {
            const std::string setting = value();
            const auto equals = setting.find('=');
            if (equals == std::string::npos || equals == 0)
                badUsage("--set needs SYMBOL=VALUE, not " + setting);
            pendingSettings.emplace_back(setting.substr(0, equals),
                                         parseNumber<float>(setting.substr(equals + 1), "control value"));
        }
        else if (arg == "--ftz")
            o.flushDenormals = true;
        else if (arg == "--cpu")
            o.cpu = parseNumber<int>(value(), "CPU number");
        else if (arg == "-v" || arg == "--verbose")
            o.verbose = true;
        else if (arg == "--dump")
            o.dumpDir = value();
        else if (arg.rfind("-", 0) == 0)
            badUsage("unknown option " + arg);
        else {
            o.plugins.push_back(parsePlugin(arg));
            o.plugins.back().label = pendingLabel;
            pendingLabel.clear();
            if (!pendingSettings.empty() && o.plugins.back().format != PluginArg::Format::Lv2)
                badUsage("--set applies to LV2 plug-ins only");
            o.plugins.back().settings = std::move(pendingSettings);
            pendingSettings.clear();
        }
    }
    if (o.plugins.empty())
        badUsage("no plug-in given");
    return o;
}

Clip readClip(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        throw std::runtime_error("cannot read " + path + ": " + sf_strerror(nullptr));
    std::vector<float> interleaved(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
    const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    if (got <= 0)
        throw std::runtime_error(path + " holds no audio");
    Clip clip;
    clip.rate = info.samplerate;
    clip.channels = info.channels;
    clip.samples.resize(static_cast<size_t>(got));
    for (size_t f = 0; f < clip.samples.size(); ++f) {
        float sum = 0.0f;
        for (int c = 0; c < info.channels; ++c)
            sum += interleaved[f * static_cast<size_t>(info.channels) + static_cast<size_t>(c)];
        clip.samples[f] = sum / static_cast<float>(info.channels);
    }
    return clip;
}

std::string cpuModel()
{
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("model name", 0) == 0) {
            const auto colon = line.find(':');
            if (colon != std::string::npos) {
                auto start = line.find_first_not_of(" \t", colon + 1);
                return start == std::string::npos ? "" : line.substr(start);
            }
        }
    }
    return "unknown";
}

int cpuCount()
{
    cpu_set_t set;
    return sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 0;
}

std::string now()
{
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %Z", &local);
    return text;
}

// Plug-ins that start helper threads (convolution engines do) spend CPU
// that a timer around the process call cannot see; counting the threads
// tells which rows that concerns.
int threadCount()
{
    std::error_code ec;
    int n = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/task", ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
        ++n;
    return n;
}

double processCpuSeconds()
{
    // On Linux std::clock is the CPU time of every thread of the process.
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

std::string rateText(double rate)
{
    std::ostringstream s;
    s << rate / 1000.0 << " kHz";
    return s.str();
}

std::string defaultLabel(const PluginArg& entry, const std::string& name)
{
    std::string base = name;
    if (base.empty())
        base = entry.format == PluginArg::Format::Vst ? std::filesystem::path(entry.location).stem().string()
                                                      : entry.location;
    if (entry.format == PluginArg::Format::Vst)
        return base + " (VST 2, " + (entry.doublePrecision ? "double" : "float") + ")";
    return base + " (LV2)";
}

std::unique_ptr<Runner> makeRunner(const PluginArg& entry, double rate, const Options& o)
{
    if (entry.format == PluginArg::Format::Vst)
        return makeVstRunner(entry.location, entry.doublePrecision, rate, o.block, o.verbose);
    return makeLv2Runner(entry.location, rate, o.block, o.verbose, entry.settings);
}

Cell measure(const PluginArg& entry, double rate, const Options& o, const Clip& clip)
{
    Cell cell;
    const int threadsBefore = threadCount();
    std::unique_ptr<Runner> runner = makeRunner(entry, rate, o);
    cell.name = runner->pluginName();
    cell.inputs = runner->inputs();
    cell.outputs = runner->outputs();

    const auto block = static_cast<size_t>(o.block);
    const size_t blocksPerRun = static_cast<size_t>(std::ceil(o.seconds * rate / static_cast<double>(block)));
    const double audioSeconds = static_cast<double>(blocksPerRun * block) / rate;
    std::vector<float> in(block), out(block);
    size_t position = 0;

    struct Level {
        double sumSquares = 0.0;
        double peak = 0.0;
        long nonFinite = 0;
        double maxDifference = 0.0;
    };
    auto oneRun = [&](Level& level, double& cpuSeconds, std::vector<float>* keep) -> double {
        int64_t nanoseconds = 0;
        const double cpuStart = processCpuSeconds();
        for (size_t b = 0; b < blocksPerRun; ++b) {
            for (size_t i = 0; i < block; ++i) {
                in[i] = clip.samples[position];
                position = position + 1 == clip.samples.size() ? 0 : position + 1;
            }
            nanoseconds += runner->process(in.data(), out.data(), o.block);
            if (keep != nullptr)
                keep->insert(keep->end(), out.begin(), out.end());
            for (size_t i = 0; i < block; ++i) {
                const double y = out[i];
                if (!std::isfinite(y)) {
                    ++level.nonFinite;
                    continue;
                }
                level.sumSquares += y * y;
                level.peak = std::max(level.peak, std::abs(y));
                level.maxDifference = std::max(level.maxDifference, std::abs(y - static_cast<double>(in[i])));
            }
        }
        cpuSeconds = processCpuSeconds() - cpuStart;
        return 1e-9 * static_cast<double>(nanoseconds);
    };

    Level warmLevel;
    double cpu = 0.0;
    oneRun(warmLevel, cpu, nullptr);

    Level level;
    std::vector<double> allCpuRts;
    for (int r = 0; r < o.runs; ++r) {
        if (!o.dumpDir.empty() && r == o.runs - 1)
            cell.lastRun.reserve(blocksPerRun * block);
        const double seconds = oneRun(level, cpu, r == o.runs - 1 && !o.dumpDir.empty() ? &cell.lastRun : nullptr);
        cell.runRts.push_back(seconds > 0.0 ? audioSeconds / seconds : INFINITY);
        allCpuRts.push_back(cpu > 0.0 ? audioSeconds / cpu : INFINITY);
    }
    cell.threadsStarted = threadCount() - threadsBefore;
    cell.latency = runner->latency();
    cell.details = runner->details();
    runner.reset();

    const double samples = static_cast<double>(blocksPerRun * block) * o.runs;
    cell.rmsDb = 10.0 * std::log10(level.sumSquares / samples + 1e-300);
    cell.peak = level.peak;
    cell.nonFinite = level.nonFinite;
    cell.identicalToInput = level.maxDifference < 1e-7;
    cell.medianRt = median(cell.runRts);
    cell.medianAllCpuRt = median(allCpuRts);
    cell.ok = true;
    return cell;
}

std::string cellText(const Cell& c, double value)
{
    if (!c.ok)
        return "error";
    std::ostringstream s;
    s << std::fixed << std::setprecision(value >= 100.0 ? 0 : 1) << value;
    if (c.nonFinite > 0)
        s << " (non-finite output)";
    else if (c.rmsDb < -120.0)
        s << " (silent)";
    else if (c.identicalToInput)
        s << " (output = input)";
    return s.str();
}

void printTable(std::ostream& out, const Options& o, const std::vector<std::string>& labels,
                const std::vector<std::vector<Cell>>& cells, bool allThreads)
{
    out << "| Plug-in |";
    for (double r : o.rates)
        out << ' ' << rateText(r) << " |";
    out << "\n|:--|";
    for (size_t i = 0; i < o.rates.size(); ++i)
        out << "--:|";
    out << '\n';
    for (size_t p = 0; p < labels.size(); ++p) {
        out << "| " << labels[p] << " |";
        for (const Cell& c : cells[p])
            out << ' ' << cellText(c, allThreads ? c.medianAllCpuRt : c.medianRt) << " |";
        out << '\n';
    }
}

std::string joinPerRate(const Options& o, const std::vector<Cell>& row, auto field)
{
    std::ostringstream s;
    for (size_t i = 0; i < row.size(); ++i) {
        if (i > 0)
            s << ", ";
        s << field(row[i]) << " @ " << rateText(o.rates[i]);
    }
    return s.str();
}

void dump(const std::string& dir, const PluginArg& entry, double rate, Cell& cell)
{
    std::string tag = !entry.label.empty() ? entry.label
                      : entry.format == PluginArg::Format::Vst
                          ? std::filesystem::path(entry.location).stem().string() + (entry.doublePrecision ? "_double" : "")
                          : entry.location;
    for (char& c : tag)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_')
            c = '_';
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/" + tag + "_" + std::to_string(static_cast<long>(rate)) + ".wav";
    SF_INFO info{};
    info.samplerate = static_cast<int>(rate);
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
    sf_writef_float(file, cell.lastRun.data(), static_cast<sf_count_t>(cell.lastRun.size()));
    sf_close(file);
    cell.lastRun = {};
}

int run(int argc, char** argv)
{
    const Options o = parseOptions(argc, argv);
    if (o.cpu >= 0) {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(o.cpu, &set);
        if (sched_setaffinity(0, sizeof set, &set) != 0)
            throw std::runtime_error("cannot pin to CPU " + std::to_string(o.cpu));
    }
#if defined(KORVANE_COMPARE_HAS_MXCSR)
    if (o.flushDenormals)
        _mm_setcsr(_mm_getcsr() | 0x8040);  // FTZ | DAZ
#endif
    const Clip clip = readClip(o.input);

    // Some plug-ins chat on standard output; send that to standard error so
    // that standard output carries only the report.
    std::fflush(stdout);
    const int reportFd = dup(STDOUT_FILENO);
    if (reportFd < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        throw std::runtime_error("cannot set aside standard output");

    std::vector<std::string> labels;
    std::vector<std::vector<Cell>> cells;
    bool failed = false;
    for (const PluginArg& entry : o.plugins) {
        std::vector<Cell> row;
        std::string name;
        for (double rate : o.rates) {
            Cell cell;
            try {
                cell = measure(entry, rate, o, clip);
                name = cell.name;
                if (!o.dumpDir.empty())
                    dump(o.dumpDir, entry, rate, cell);
            } catch (const std::exception& e) {
                cell.error = e.what();
                failed = true;
                std::cerr << "korvane_compare: " << entry.location << " @ " << rateText(rate) << ": " << e.what()
                          << "\n";
            }
            if (o.verbose && cell.ok) {
                std::cerr << std::fixed << std::setprecision(1) << entry.location << " @ " << rateText(rate) << ": \""
                          << cell.name << "\", " << cell.inputs << " in / " << cell.outputs << " out, runs";
                for (double rt : cell.runRts)
                    std::cerr << ' ' << rt;
                std::cerr << ", median " << cell.medianRt << "x; all-threads CPU " << cell.medianAllCpuRt
                          << "x; output RMS " << cell.rmsDb << " dBFS, peak " << std::setprecision(3) << cell.peak
                          << ", non-finite " << cell.nonFinite << (cell.identicalToInput ? ", IDENTICAL TO INPUT" : "")
                          << "; latency " << cell.latency << "; threads started " << cell.threadsStarted;
                if (!cell.details.empty())
                    std::cerr << "; " << cell.details;
                std::cerr << "\n";
            }
            row.push_back(std::move(cell));
        }
        labels.push_back(entry.label.empty() ? defaultLabel(entry, name) : entry.label);
        cells.push_back(std::move(row));
    }

    std::ostringstream report;
    report << "## Real-time factor\n\n"
              << "- Date: " << now() << "\n"
              << "- CPU: " << cpuModel() << " (" << cpuCount() << " usable)\n"
              << "- Input: " << o.input << " (" << std::fixed << std::setprecision(2)
              << static_cast<double>(clip.samples.size()) / clip.rate << " s at " << std::setprecision(0) << clip.rate
              << " Hz" << (clip.channels > 1 ? ", mixed to mono" : ", mono")
              << "), the same samples at every rate, looped to " << std::setprecision(2) << o.seconds
              << " s of audio per run\n"
              << "- Blocks of " << o.block << " frames; fresh instance per rate with default parameters; one warm-up "
              << "run, then the median of " << o.runs << " runs\n"
              << "- Denormals: " << (o.flushDenormals ? "FTZ/DAZ set by the host" : "left to each plug-in") << "\n"
              << "- Value = seconds of audio / seconds inside the plug-in's process calls (higher is faster)\n\n";
    printTable(report, o, labels, cells, false);

    report << "\nPer plug-in:\n\n";
    for (size_t p = 0; p < labels.size(); ++p) {
        const PluginArg& entry = o.plugins[p];
        report << "- " << labels[p] << ": "
                  << (entry.format == PluginArg::Format::Vst ? "VST 2 " : "LV2 <") << entry.location
                  << (entry.format == PluginArg::Format::Vst ? "" : ">");
        for (const auto& [symbol, value] : entry.settings)
            report << ", " << symbol << " = " << value;
        const Cell* any = nullptr;
        for (const Cell& c : cells[p])
            if (c.ok)
                any = &c;
        if (any == nullptr) {
            report << "; failed: " << cells[p].front().error << "\n";
            continue;
        }
        report << "; " << any->inputs << " in / " << any->outputs << " out; reported latency "
                  << joinPerRate(o, cells[p], [](const Cell& c) {
                         return !c.ok ? std::string("?") : c.latency < 0 ? std::string("none") : std::to_string(c.latency);
                     })
                  << "; helper threads started " << any->threadsStarted << "\n";
    }

    report << "\nWhole-process CPU instead (all threads, so a plug-in's helper threads count; includes this "
                 "host's per-block copying and level check):\n\n";
    printTable(report, o, labels, cells, true);
    // Back to the real standard output for the report alone.
    std::fflush(stdout);
    dup2(reportFd, STDOUT_FILENO);
    close(reportFd);
    std::cout << report.str() << std::flush;
    return failed ? 1 : 0;
}

} // namespace
} // namespace korvane::compare

int main(int argc, char** argv)
{
    try {
        return korvane::compare::run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "korvane_compare: " << e.what() << "\n";
        return 1;
    }
}
