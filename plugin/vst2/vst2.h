// VST 2.4 binary interface: the records, opcodes and constants that a host and an
// instrument exchange. Written from the published names and values; layouts are
// pinned by the static_asserts at the end for x86_64 (LP64/LLP64) and i686.
// Only the plug-in's entry file and the test host include this header.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define VST_CALL __cdecl
#else
#define VST_CALL
#endif

// An entry function: a C name, visible outside the library. Which names the
// library exports is decided at link time (vst2_exports.map, vst2_exports.def).
#define VST_EXPORT extern "C" __attribute__((visibility("default")))

#pragma pack(push, 8)

extern "C" {

struct AEffect;

typedef intptr_t(VST_CALL* audioMasterCallback)(AEffect* effect, int32_t opcode, int32_t index,
                                                  intptr_t value, void* ptr, float opt);
typedef intptr_t(VST_CALL* AEffectDispatcherProc)(AEffect* effect, int32_t opcode, int32_t index,
                                                    intptr_t value, void* ptr, float opt);
typedef void(VST_CALL* AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs,
                                           int32_t sample_frames);
typedef void(VST_CALL* AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs,
                                                 int32_t sample_frames);
typedef void(VST_CALL* AEffectSetParameterProc)(AEffect* effect, int32_t index, float value);
typedef float(VST_CALL* AEffectGetParameterProc)(AEffect* effect, int32_t index);
typedef AEffect*(VST_CALL* VstEntryProc)(audioMasterCallback host);

struct AEffect {
  int32_t magic;
  AEffectDispatcherProc dispatcher;
  AEffectProcessProc process;  // deprecated accumulating call
  AEffectSetParameterProc setParameter;
  AEffectGetParameterProc getParameter;
  int32_t numPrograms;
  int32_t numParams;
  int32_t numInputs;
  int32_t numOutputs;
  int32_t flags;
  intptr_t resvd1;  // belongs to the host
  intptr_t resvd2;  // belongs to the host
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

struct VstEvent {
  int32_t type;
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  char data[16];
};

struct VstEvents {
  int32_t numEvents;
  intptr_t reserved;
  VstEvent* events[2];  // really numEvents entries
};

struct VstMidiEvent {
  int32_t type;
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  int32_t noteLength;
  int32_t noteOffset;
  char midiData[4];
  char detune;
  char noteOffVelocity;
  char reserved1;
  char reserved2;
};

struct VstMidiSysexEvent {
  int32_t type;
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  int32_t dumpBytes;
  intptr_t resvd1;
  char* sysexDump;
  intptr_t resvd2;
};

struct VstTimeInfo {
  double samplePos;
  double sampleRate;
  double nanoSeconds;
  double ppqPos;
  double tempo;
  double barStartPos;
  double cycleStartPos;
  double cycleEndPos;
  int32_t timeSigNumerator;
  int32_t timeSigDenominator;
  int32_t smpteOffset;
  int32_t smpteFrameRate;
  int32_t samplesToNextClock;
  int32_t flags;
};

struct VstPinProperties {
  char label[64];
  int32_t flags;
  int32_t arrangementType;
  char shortLabel[8];
  char future[48];
};

struct VstParameterProperties {
  float stepFloat;
  float smallStepFloat;
  float largeStepFloat;
  char label[64];
  int32_t flags;
  int32_t minInteger;
  int32_t maxInteger;
  int32_t stepInteger;
  int32_t largeStepInteger;
  char shortLabel[8];
  int16_t displayIndex;
  int16_t category;
  int16_t numParametersInCategory;
  int16_t reserved;
  char categoryLabel[24];
  char future[16];
};

struct ERect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

}  // extern "C"

#pragma pack(pop)

// FourCC as the interface defines it: first character in the top byte.
constexpr int32_t vst_fourcc(char a, char b, char c, char d) {
  return int32_t((uint32_t(uint8_t(a)) << 24) | (uint32_t(uint8_t(b)) << 16) |
                 (uint32_t(uint8_t(c)) << 8) | uint32_t(uint8_t(d)));
}

constexpr int32_t kEffectMagic = vst_fourcc('V', 's', 't', 'P');
constexpr int32_t kVstVersion = 2400;

// Dispatcher opcodes (host -> plug-in).
enum : int32_t {
  effOpen = 0,
  effClose = 1,
  effSetProgram = 2,
  effGetProgram = 3,
  effSetProgramName = 4,
  effGetProgramName = 5,
  effGetParamLabel = 6,
  effGetParamDisplay = 7,
  effGetParamName = 8,
  effGetVu = 9,
  effSetSampleRate = 10,
  effSetBlockSize = 11,
  effMainsChanged = 12,
  effEditGetRect = 13,
  effEditOpen = 14,
  effEditClose = 15,
  effEditDraw = 16,
  effEditMouse = 17,
  effEditKey = 18,
  effEditIdle = 19,
  effEditTop = 20,
  effEditSleep = 21,
  effIdentify = 22,
  effGetChunk = 23,
  effSetChunk = 24,
  effProcessEvents = 25,
  effCanBeAutomated = 26,
  effString2Parameter = 27,
  effGetNumProgramCategories = 28,
  effGetProgramNameIndexed = 29,
  effCopyProgram = 30,
  effConnectInput = 31,
  effConnectOutput = 32,
  effGetInputProperties = 33,
  effGetOutputProperties = 34,
  effGetPlugCategory = 35,
  effGetCurrentPosition = 36,
  effGetDestinationBuffer = 37,
  effOfflineNotify = 38,
  effOfflinePrepare = 39,
  effOfflineRun = 40,
  effProcessVarIo = 41,
  effSetSpeakerArrangement = 42,
  effSetBlockSizeAndSampleRate = 43,
  effSetBypass = 44,
  effGetEffectName = 45,
  effGetErrorText = 46,
  effGetVendorString = 47,
  effGetProductString = 48,
  effGetVendorVersion = 49,
  effVendorSpecific = 50,
  effCanDo = 51,
  effGetTailSize = 52,
  effIdle = 53,
  effGetIcon = 54,
  effSetViewPosition = 55,
  effGetParameterProperties = 56,
  effKeysRequired = 57,
  effGetVstVersion = 58,
  effEditKeyDown = 59,
  effEditKeyUp = 60,
  effSetEditKnobMode = 61,
  effGetMidiProgramName = 62,
  effGetCurrentMidiProgram = 63,
  effGetMidiProgramCategory = 64,
  effHasMidiProgramsChanged = 65,
  effGetMidiKeyName = 66,
  effBeginSetProgram = 67,
  effEndSetProgram = 68,
  effGetSpeakerArrangement = 69,
  effShellGetNextPlugin = 70,
  effStartProcess = 71,
  effStopProcess = 72,
  effSetTotalSampleToProcess = 73,
  effSetPanLaw = 74,
  effBeginLoadBank = 75,
  effBeginLoadProgram = 76,
  effSetProcessPrecision = 77,
  effGetNumMidiInputChannels = 78,
  effGetNumMidiOutputChannels = 79,
};

// Host callback opcodes (plug-in -> host).
enum : int32_t {
  audioMasterAutomate = 0,
  audioMasterVersion = 1,
  audioMasterCurrentId = 2,
  audioMasterIdle = 3,
  audioMasterPinConnected = 4,
  audioMasterWantMidi = 6,
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
};

enum : int32_t {
  effFlagsHasEditor = 1 << 0,
  effFlagsCanReplacing = 1 << 4,
  effFlagsProgramChunks = 1 << 5,
  effFlagsIsSynth = 1 << 8,
  effFlagsNoSoundInStop = 1 << 9,
  effFlagsCanDoubleReplacing = 1 << 12,
};

enum : int32_t { kVstPinIsActive = 1, kVstPinIsStereo = 2, kVstPinUseSpeaker = 4 };

enum : int32_t {
  kVstParameterIsSwitch = 1,
  kVstParameterUsesIntegerMinMax = 2,
  kVstParameterUsesFloatStep = 4,
  kVstParameterUsesIntStep = 8,
  kVstParameterSupportsDisplayIndex = 16,
  kVstParameterSupportsDisplayCategory = 32,
  kVstParameterCanRamp = 64,
};

enum : int32_t { kVstMidiType = 1, kVstSysExType = 6 };
enum : int32_t { kVstMidiEventIsRealtime = 1 };

enum : int32_t {
  kPlugCategUnknown = 0,
  kPlugCategEffect = 1,
  kPlugCategSynth = 2,
  kPlugCategGenerator = 11,
};

enum : int32_t { kSpeakerArrMono = 0, kSpeakerArrStereo = 1 };

enum : int32_t {
  kVstTransportChanged = 1,
  kVstTransportPlaying = 2,
  kVstTransportCycleActive = 4,
  kVstTransportRecording = 8,
  kVstNanosValid = 256,
  kVstPpqPosValid = 512,
  kVstTempoValid = 1024,
  kVstBarsValid = 2048,
  kVstCyclePosValid = 4096,
  kVstTimeSigValid = 8192,
  kVstSmpteValid = 16384,
  kVstClockValid = 32768,
};

// Nominal text sizes of the interface. What we write into host buffers is
// bounded per kind of text in plugin/vst2/effect_base.h.
enum : int32_t {
  kVstMaxProgNameLen = 24,
  kVstMaxParamStrLen = 8,
  kVstMaxVendorStrLen = 64,
  kVstMaxProductStrLen = 64,
  kVstMaxEffectNameLen = 32,
  kVstMaxNameLen = 64,
  kVstMaxLabelLen = 64,
  kVstMaxShortLabelLen = 8,
  kVstMaxCategLabelLen = 24,
};

// Layout pins, from the published offsets.
#define VST_ABI_CHECK(type, field, off64, off32)                                     \
  static_assert(offsetof(type, field) == (sizeof(void*) == 8 ? (off64) : (off32)), \
                #type "." #field " offset")
VST_ABI_CHECK(AEffect, magic, 0, 0);
VST_ABI_CHECK(AEffect, dispatcher, 8, 4);
VST_ABI_CHECK(AEffect, process, 16, 8);
VST_ABI_CHECK(AEffect, setParameter, 24, 12);
VST_ABI_CHECK(AEffect, getParameter, 32, 16);
VST_ABI_CHECK(AEffect, numPrograms, 40, 20);
VST_ABI_CHECK(AEffect, numParams, 44, 24);
VST_ABI_CHECK(AEffect, numInputs, 48, 28);
VST_ABI_CHECK(AEffect, numOutputs, 52, 32);
VST_ABI_CHECK(AEffect, flags, 56, 36);
VST_ABI_CHECK(AEffect, resvd1, 64, 40);
VST_ABI_CHECK(AEffect, resvd2, 72, 44);
VST_ABI_CHECK(AEffect, initialDelay, 80, 48);
VST_ABI_CHECK(AEffect, ioRatio, 92, 60);
VST_ABI_CHECK(AEffect, object, 96, 64);
VST_ABI_CHECK(AEffect, user, 104, 68);
VST_ABI_CHECK(AEffect, uniqueID, 112, 72);
VST_ABI_CHECK(AEffect, version, 116, 76);
VST_ABI_CHECK(AEffect, processReplacing, 120, 80);
VST_ABI_CHECK(AEffect, processDoubleReplacing, 128, 84);
VST_ABI_CHECK(AEffect, future, 136, 88);
static_assert(sizeof(AEffect) == (sizeof(void*) == 8 ? 192 : 144), "AEffect size");

VST_ABI_CHECK(VstEvents, reserved, 8, 4);
VST_ABI_CHECK(VstEvents, events, 16, 8);
static_assert(sizeof(VstEvent) == 32, "VstEvent size");
VST_ABI_CHECK(VstMidiEvent, midiData, 24, 24);
VST_ABI_CHECK(VstMidiEvent, detune, 28, 28);
VST_ABI_CHECK(VstMidiEvent, noteOffVelocity, 29, 29);
static_assert(sizeof(VstMidiEvent) == 32, "VstMidiEvent size");
VST_ABI_CHECK(VstMidiSysexEvent, sysexDump, 32, 24);
static_assert(sizeof(VstMidiSysexEvent) == (sizeof(void*) == 8 ? 48 : 32), "sysex size");
VST_ABI_CHECK(VstTimeInfo, tempo, 32, 32);
VST_ABI_CHECK(VstTimeInfo, timeSigNumerator, 64, 64);
VST_ABI_CHECK(VstTimeInfo, flags, 84, 84);
static_assert(sizeof(VstTimeInfo) == 88, "VstTimeInfo size");
VST_ABI_CHECK(VstPinProperties, flags, 64, 64);
VST_ABI_CHECK(VstPinProperties, arrangementType, 68, 68);
VST_ABI_CHECK(VstPinProperties, shortLabel, 72, 72);
static_assert(sizeof(VstPinProperties) == 128, "VstPinProperties size");
VST_ABI_CHECK(VstParameterProperties, label, 12, 12);
VST_ABI_CHECK(VstParameterProperties, flags, 76, 76);
VST_ABI_CHECK(VstParameterProperties, largeStepInteger, 92, 92);
VST_ABI_CHECK(VstParameterProperties, shortLabel, 96, 96);
VST_ABI_CHECK(VstParameterProperties, displayIndex, 104, 104);
VST_ABI_CHECK(VstParameterProperties, categoryLabel, 112, 112);
static_assert(sizeof(VstParameterProperties) == 152, "VstParameterProperties size");
static_assert(sizeof(ERect) == 8, "ERect size");
#undef VST_ABI_CHECK
