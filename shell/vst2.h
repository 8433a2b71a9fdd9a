// The VST 2.4 plug-in interface as this plug-in and our host use it: the
// AEffect record, the dispatcher and host opcodes, and the small records
// passed through them. Written from the published ABI (field order, sizes,
// opcode numbers), not taken from any SDK.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define VSTCALLBACK __cdecl
#else
#define VSTCALLBACK
#endif

struct AEffect;

// Host callback: (effect, opcode, index, value, ptr, opt) -> answer.
using audioMasterCallback = intptr_t(VSTCALLBACK*)(AEffect*, int32_t, int32_t, intptr_t, void*, float);
using AEffectDispatcherProc = intptr_t(VSTCALLBACK*)(AEffect*, int32_t, int32_t, intptr_t, void*, float);
using AEffectProcessProc = void(VSTCALLBACK*)(AEffect*, float**, float**, int32_t);
using AEffectProcessDoubleProc = void(VSTCALLBACK*)(AEffect*, double**, double**, int32_t);
using AEffectSetParameterProc = void(VSTCALLBACK*)(AEffect*, int32_t, float);
using AEffectGetParameterProc = float(VSTCALLBACK*)(AEffect*, int32_t);

// Packs a four-character code with the first character in the top byte.
constexpr int32_t fourCharCode(const char (&c)[5])
{
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(c[0])) << 24) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(c[1])) << 16) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(c[2])) << 8) |
                                static_cast<uint32_t>(static_cast<unsigned char>(c[3])));
}

inline constexpr int32_t kEffectMagic = fourCharCode("VstP");

struct AEffect {
    int32_t magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;  // deprecated accumulating entry
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags;
    intptr_t resvd1;
    intptr_t resvd2;
    int32_t initialDelay;
    int32_t realQualities;
    int32_t offQualities;
    float ioRatio;
    void* object;
    void* user;
    int32_t uniqueID;
    int32_t version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

// Hosts read the record by offset, so its layout is part of the ABI.
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(AEffect) == 144);
static_assert(offsetof(AEffect, numPrograms) == 20);
static_assert(offsetof(AEffect, flags) == 36);
static_assert(offsetof(AEffect, ioRatio) == 60);
static_assert(offsetof(AEffect, object) == 64);
static_assert(offsetof(AEffect, uniqueID) == 72);
static_assert(offsetof(AEffect, processReplacing) == 80);
static_assert(offsetof(AEffect, future) == 88);
#else
static_assert(sizeof(AEffect) == 192);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, future) == 136);
#endif

enum VstAEffectFlags : int32_t {
    effFlagsHasEditor = 1 << 0,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsCanDoubleReplacing = 1 << 12,
};

enum AEffectOpcodes : int32_t {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,
    effSetSampleRate,
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,
    effEditMouse,
    effEditKey,
    effEditIdle,
    effEditTop,
    effEditSleep,
    effIdentify,
    effGetChunk,
    effSetChunk,
    // 2.x opcodes
    effProcessEvents,
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories,
    effGetProgramNameIndexed,
    effCopyProgram,
    effConnectInput,
    effConnectOutput,
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,
    effGetCurrentPosition,
    effGetDestinationBuffer,
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate,
    effSetBypass,
    effGetEffectName,
    effGetErrorText,
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,
    effCanDo,
    effGetTailSize,
    effIdle,
    effGetIcon,
    effSetViewPosition,
    effGetParameterProperties,
    effKeysRequired,
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,
    effBeginLoadProgram,
    effSetProcessPrecision,
    effGetNumMidiInputChannels,
    effGetNumMidiOutputChannels,
};
static_assert(effGetChunk == 23 && effProcessEvents == 25 && effGetPlugCategory == 35);
static_assert(effGetVendorVersion == 49 && effGetVstVersion == 58 && effGetNumMidiOutputChannels == 79);

enum AudioMasterOpcodes : int32_t {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterGetTime = 7,
    audioMasterProcessEvents = 8,
    audioMasterIOChanged = 13,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterCloseFileSelector = 46,
};

enum VstPlugCategory : int32_t {
    kPlugCategUnknown = 0,
    kPlugCategEffect = 1,
};

// Text limits of the interface, terminator included.
inline constexpr size_t kVstMaxProgNameLen = 24;
inline constexpr size_t kVstMaxParamStrLen = 24;  // names, labels, display texts
inline constexpr size_t kVstMaxEffectNameLen = 32;
inline constexpr size_t kVstMaxVendorStrLen = 64;
inline constexpr size_t kVstMaxProductStrLen = 64;

struct ERect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

struct VstKeyCode {
    int32_t character;
    unsigned char virt;
    unsigned char modifier;
};

struct VstSpeakerArrangement;
