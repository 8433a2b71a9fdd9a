// LV2 through lilv, with just the host features amplifier plug-ins ask for:
// URID mapping, block-length options, a log and a worker. The worker runs
// each job at once inside the scheduling call and hands responses back right
// after run(), in the same timed span: a synchronous host pays for the work
// on its audio thread, so it counts here too.
#include <lilv/lilv.h>

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/resize-port/resize-port.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

#include "bench/compare/runner.h"

namespace korvane::compare {

namespace {

// --- URIDs -----------------------------------------------------------------

class UridTable {
public:
    LV2_URID map(const char* uri)
    {
        const std::lock_guard lock(mutex);
        auto [it, added] = ids.try_emplace(uri, static_cast<LV2_URID>(uris.size() + 1));
        if (added)
            uris.push_back(it->first);
        return it->second;
    }
    const char* unmap(LV2_URID id)
    {
        const std::lock_guard lock(mutex);
        return id >= 1 && id <= uris.size() ? uris[id - 1].c_str() : nullptr;
    }

private:
    std::mutex mutex;
    std::unordered_map<std::string, LV2_URID> ids;
    std::deque<std::string> uris;  // deque: c_str() stays valid as it grows
};

// --- the world, loaded once ------------------------------------------------

struct World {
    LilvWorld* world = lilv_world_new();
    UridTable urids;
    LilvNode* audioPort;
    LilvNode* controlPort;
    LilvNode* cvPort;
    LilvNode* atomPort;
    LilvNode* inputPort;
    LilvNode* outputPort;
    LilvNode* connectionOptional;
    LilvNode* minimumSize;

    World()
    {
        lilv_world_load_all(world);
        audioPort = lilv_new_uri(world, LV2_CORE__AudioPort);
        controlPort = lilv_new_uri(world, LV2_CORE__ControlPort);
        cvPort = lilv_new_uri(world, LV2_CORE__CVPort);
        atomPort = lilv_new_uri(world, LV2_ATOM__AtomPort);
        inputPort = lilv_new_uri(world, LV2_CORE__InputPort);
        outputPort = lilv_new_uri(world, LV2_CORE__OutputPort);
        connectionOptional = lilv_new_uri(world, LV2_CORE__connectionOptional);
        minimumSize = lilv_new_uri(world, LV2_RESIZE_PORT__minimumSize);
    }
    // Kept until exit: plug-in libraries may still hold URIs from it.
};

World& theWorld()
{
    static World* world = new World;
    return *world;
}

// --- log -------------------------------------------------------------------

struct LogState {
    bool verbose = false;
    std::string label;
};

int logVprintf(LV2_Log_Handle handle, LV2_URID, const char* format, va_list args)
{
    const auto* state = static_cast<const LogState*>(handle);
    if (!state->verbose)
        return 0;
    std::fprintf(stderr, "  [%s] ", state->label.c_str());
    return std::vfprintf(stderr, format, args);
}

int logPrintf(LV2_Log_Handle handle, LV2_URID type, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = logVprintf(handle, type, format, args);
    va_end(args);
    return n;
}

// --- synchronous worker ----------------------------------------------------

class Worker {
public:
    void attach(LV2_Handle instance, const LV2_Worker_Interface* interface)
    {
        handle = instance;
        iface = interface;
        // Jobs scheduled before the interface was known run now.
        drainRequests();
    }

    LV2_Worker_Status schedule(uint32_t size, const void* data)
    {
        const auto* bytes = static_cast<const uint8_t*>(data);
        requests.emplace_back(bytes, bytes + size);
        if (iface != nullptr && !working)
            drainRequests();
        return LV2_WORKER_SUCCESS;
    }

    // What the plug-in's audio thread does after each run().
    void afterRun()
    {
        if (iface == nullptr)
            return;
        while (!responses.empty()) {
            std::deque<std::vector<uint8_t>> batch;
            batch.swap(responses);
            for (const auto& r : batch)
                if (iface->work_response != nullptr)
                    iface->work_response(handle, static_cast<uint32_t>(r.size()), r.data());
        }
        if (iface->end_run != nullptr)
            iface->end_run(handle);
    }

    long jobs() const { return jobCount; }
    bool hasInterface() const { return iface != nullptr; }

private:
    static LV2_Worker_Status respond(LV2_Worker_Respond_Handle h, uint32_t size, const void* data)
    {
        auto* self = static_cast<Worker*>(h);
        const auto* bytes = static_cast<const uint8_t*>(data);
        self->responses.emplace_back(bytes, bytes + size);
        return LV2_WORKER_SUCCESS;
    }

    void drainRequests()
    {
        // A job may schedule another; it waits in the queue instead of
        // re-entering work().
        working = true;
        while (!requests.empty()) {
            const std::vector<uint8_t> job = std::move(requests.front());
            requests.pop_front();
            ++jobCount;
            iface->work(handle, &Worker::respond, this, static_cast<uint32_t>(job.size()), job.data());
        }
        working = false;
    }

    LV2_Handle handle = nullptr;
    const LV2_Worker_Interface* iface = nullptr;
    std::deque<std::vector<uint8_t>> requests;
    std::deque<std::vector<uint8_t>> responses;
    bool working = false;
    long jobCount = 0;
};

LV2_Worker_Status scheduleWork(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data)
{
    return static_cast<Worker*>(handle)->schedule(size, data);
}

// --- the runner ------------------------------------------------------------

constexpr uint32_t kAtomCapacity = 8192;

class Lv2Runner final : public Runner {
public:
    Lv2Runner(const std::string& uri, double rate, int32_t block, bool verbose,
              const std::vector<std::pair<std::string, float>>& settings)
    {
        World& w = theWorld();
        LilvNode* uriNode = lilv_new_uri(w.world, uri.c_str());
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(w.world), uriNode);
        lilv_node_free(uriNode);
        if (plugin == nullptr)
            throw std::runtime_error("no LV2 plug-in installed with URI " + uri);

        log.verbose = verbose;
        log.label = uri;
        buildFeatures(w, rate, block);
        checkRequiredFeatures(uri);

        instance = lilv_plugin_instantiate(plugin, rate, featurePointers.data());
        if (instance == nullptr)
            throw std::runtime_error("LV2 plug-in " + uri + " failed to instantiate");
        worker.attach(lilv_instance_get_handle(instance),
                      static_cast<const LV2_Worker_Interface*>(
                          lilv_instance_get_extension_data(instance, LV2_WORKER__interface)));

        connectPorts(w, uri, block);
        applySettings(uri, settings);
        lilv_instance_activate(instance);
        active = true;
    }

    ~Lv2Runner() override
    {
        if (instance != nullptr) {
            if (active)
                lilv_instance_deactivate(instance);
            lilv_instance_free(instance);
        }
    }

    std::string pluginName() const override
    {
        LilvNode* name = lilv_plugin_get_name(plugin);
        std::string s = name != nullptr ? lilv_node_as_string(name) : "";
        lilv_node_free(name);
        return s;
    }

    int latency() const override
    {
        if (!lilv_plugin_has_latency(plugin))
            return -1;
        const uint32_t index = lilv_plugin_get_latency_port_index(plugin);
        return index < controls.size() ? static_cast<int>(std::lround(controls[index])) : -1;
    }

    int inputs() const override { return static_cast<int>(audioIn.size()); }
    int outputs() const override { return static_cast<int>(audioOut.size()); }

    std::string details() const override
    {
        return "worker jobs " + std::to_string(worker.jobs()) +
               (worker.hasInterface() ? "" : " (no worker interface)");
    }

    int64_t process(const float* in, float* out, int32_t frames) override
    {
        for (auto& b : audioIn)
            std::memcpy(b.data(), in, sizeof(float) * static_cast<size_t>(frames));
        for (auto* seq : atomIn)
            resetInputSequence(seq);
        for (const auto& [atom, capacity] : atomOut)
            resetOutputSequence(atom, capacity);
        const auto start = std::chrono::steady_clock::now();
        lilv_instance_run(instance, static_cast<uint32_t>(frames));
        worker.afterRun();
        const auto stop = std::chrono::steady_clock::now();
        std::memcpy(out, audioOut.front().data(), sizeof(float) * static_cast<size_t>(frames));
        return std::chrono::duration_cast<std::chrono::nanoseconds>(stop - start).count();
    }

private:
    void buildFeatures(World& w, double rate, int32_t block)
    {
        urids = &w.urids;
        mapData = {urids, [](LV2_URID_Map_Handle h, const char* u) { return static_cast<UridTable*>(h)->map(u); }};
        unmapData = {urids,
                     [](LV2_URID_Unmap_Handle h, LV2_URID id) { return static_cast<UridTable*>(h)->unmap(id); }};
        logData = {&log, &logPrintf, &logVprintf};
        scheduleData = {&worker, &scheduleWork};

        sampleRate = static_cast<float>(rate);
        blockLength = block;
        sequenceSize = static_cast<int32_t>(kAtomCapacity);
        const LV2_URID intType = urids->map(LV2_ATOM__Int);
        const LV2_URID floatType = urids->map(LV2_ATOM__Float);
        auto option = [&](const char* key, LV2_URID type, const void* value) {
            options.push_back({LV2_OPTIONS_INSTANCE, 0, urids->map(key), 4, type, value});
        };
        // Every block is full, so the minimum, nominal and maximum agree.
        option(LV2_BUF_SIZE__minBlockLength, intType, &blockLength);
        option(LV2_BUF_SIZE__maxBlockLength, intType, &blockLength);
        option(LV2_BUF_SIZE__nominalBlockLength, intType, &blockLength);
        option(LV2_BUF_SIZE__sequenceSize, intType, &sequenceSize);
        option(LV2_PARAMETERS__sampleRate, floatType, &sampleRate);
        options.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});

        features = {
            {LV2_URID__map, &mapData},
            {LV2_URID__unmap, &unmapData},
            {LV2_OPTIONS__options, options.data()},
            {LV2_BUF_SIZE__boundedBlockLength, nullptr},
            {LV2_BUF_SIZE__fixedBlockLength, nullptr},
            {LV2_LOG__log, &logData},
            {LV2_WORKER__schedule, &scheduleData},
        };
        if (block > 0 && (block & (block - 1)) == 0)
            features.push_back({LV2_BUF_SIZE__powerOf2BlockLength, nullptr});
        for (auto& f : features)
            featurePointers.push_back(&f);
        featurePointers.push_back(nullptr);
    }

    void checkRequiredFeatures(const std::string& uri)
    {
        std::set<std::string> offered;
        for (const auto& f : features)
            offered.insert(f.URI);
        // Core properties some plug-ins list as features; nothing to provide.
        offered.insert(LV2_CORE__isLive);
        offered.insert(LV2_CORE__inPlaceBroken);
        offered.insert(LV2_CORE__hardRTCapable);
        std::string missing;
        LilvNodes* required = lilv_plugin_get_required_features(plugin);
        LILV_FOREACH (nodes, i, required) {
            const std::string f = lilv_node_as_uri(lilv_nodes_get(required, i));
            if (offered.count(f) == 0)
                missing += (missing.empty() ? "" : ", ") + f;
        }
        lilv_nodes_free(required);
        if (!missing.empty())
            throw std::runtime_error("LV2 plug-in " + uri + " requires features this host lacks: " + missing);
    }

    void connectPorts(World& w, const std::string& uri, int32_t block)
    {
        const uint32_t count = lilv_plugin_get_num_ports(plugin);
        std::vector<float> mins(count), maxs(count), defaults(count);
        lilv_plugin_get_port_ranges_float(plugin, mins.data(), maxs.data(), defaults.data());
        controls.assign(count, 0.0f);
        scratch.assign(count, {});
        const auto frames = static_cast<size_t>(block);

        for (uint32_t p = 0; p < count; ++p) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin, p);
            const bool input = lilv_port_is_a(plugin, port, w.inputPort);
            const bool output = lilv_port_is_a(plugin, port, w.outputPort);
            void* where = nullptr;
            if (lilv_port_is_a(plugin, port, w.audioPort)) {
                auto& list = input ? audioIn : audioOut;
                list.emplace_back(frames, 0.0f);
                where = list.back().data();
            } else if (lilv_port_is_a(plugin, port, w.controlPort)) {
                // Defaults everywhere; a port without one starts at its
                // minimum, and one without either at zero.
                float v = 0.0f;
                if (input && !std::isnan(defaults[p]))
                    v = defaults[p];
                else if (input && !std::isnan(mins[p]))
                    v = mins[p];
                controls[p] = v;
                where = &controls[p];
            } else if (lilv_port_is_a(plugin, port, w.atomPort)) {
                uint32_t capacity = kAtomCapacity;
                if (LilvNodes* sizes = lilv_port_get_value(plugin, port, w.minimumSize)) {
                    const LilvNode* n = lilv_nodes_get_first(sizes);
                    if (n != nullptr && lilv_node_is_int(n) && lilv_node_as_int(n) > static_cast<int>(capacity))
                        capacity = static_cast<uint32_t>(lilv_node_as_int(n));
                    lilv_nodes_free(sizes);
                }
                // 8-byte aligned storage, as atoms require.
                scratch[p].assign((capacity + 7) / 8, 0);
                auto* atom = reinterpret_cast<LV2_Atom*>(scratch[p].data());
                if (output) {
                    atomOut.emplace_back(atom, capacity);
                    resetOutputSequence(atom, capacity);
                } else {
                    atomIn.push_back(reinterpret_cast<LV2_Atom_Sequence*>(atom));
                    resetInputSequence(atomIn.back());
                }
                where = atom;
            } else if (lilv_port_is_a(plugin, port, w.cvPort) ||
                       !lilv_port_has_property(plugin, port, w.connectionOptional)) {
                // CV and anything unknown get silence of a block's length.
                scratch[p].assign(std::max<size_t>(frames, kAtomCapacity / 8), 0);
                where = scratch[p].data();
            }
            lilv_instance_connect_port(instance, p, where);
        }
        if (audioOut.empty())
            throw std::runtime_error("LV2 plug-in " + uri + " has no audio output");
        if (audioIn.empty())
            throw std::runtime_error("LV2 plug-in " + uri + " has no audio input");
    }

    void applySettings(const std::string& uri, const std::vector<std::pair<std::string, float>>& settings)
    {
        World& w = theWorld();
        for (const auto& [symbol, value] : settings) {
            LilvNode* node = lilv_new_string(w.world, symbol.c_str());
            const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, node);
            lilv_node_free(node);
            if (port == nullptr || !lilv_port_is_a(plugin, port, w.controlPort) ||
                !lilv_port_is_a(plugin, port, w.inputPort))
                throw std::runtime_error("LV2 plug-in " + uri + " has no control input \"" + symbol + "\"");
            controls[lilv_port_get_index(plugin, port)] = value;
        }
    }

    void resetInputSequence(LV2_Atom_Sequence* seq) const
    {
        seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
        seq->atom.type = sequenceType;
        seq->body.unit = 0;
        seq->body.pad = 0;
    }

    void resetOutputSequence(LV2_Atom* atom, uint32_t capacity) const
    {
        // An output's header tells the plug-in how much room it has.
        atom->size = capacity - sizeof(LV2_Atom);
        atom->type = chunkType;
    }

    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    bool active = false;

    UridTable* urids = nullptr;
    LV2_URID_Map mapData{};
    LV2_URID_Unmap unmapData{};
    LogState log;
    LV2_Log_Log logData{};
    Worker worker;
    LV2_Worker_Schedule scheduleData{};
    float sampleRate = 0.0f;
    int32_t blockLength = 0;
    int32_t sequenceSize = 0;
    std::vector<LV2_Options_Option> options;
    std::vector<LV2_Feature> features;
    std::vector<const LV2_Feature*> featurePointers;

    LV2_URID sequenceType = theWorld().urids.map(LV2_ATOM__Sequence);
    LV2_URID chunkType = theWorld().urids.map(LV2_ATOM__Chunk);
    std::vector<std::vector<float>> audioIn;
    std::vector<std::vector<float>> audioOut;
    std::vector<float> controls;
    std::vector<std::vector<uint64_t>> scratch;
    std::vector<LV2_Atom_Sequence*> atomIn;
    std::vector<std::pair<LV2_Atom*, uint32_t>> atomOut;
};

} // namespace

std::unique_ptr<Runner> makeLv2Runner(const std::string& uri, double rate, int32_t block, bool verbose,
                                      const std::vector<std::pair<std::string, float>>& settings)
{
    return std::make_unique<Lv2Runner>(uri, rate, block, verbose, settings);
}

} // namespace korvane::compare
