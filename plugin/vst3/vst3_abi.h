// VST 3 binary interface: the interfaces, records and constants an instrument
// and its host exchange, written from the published names, IDs, slot orders and
// layouts. Interfaces are abstract classes without destructors, so each vtable
// holds exactly the slots in declaration order (0-2 from FUnknown). Layouts are
// pinned by the static_asserts at the end for x86_64 (Linux and Windows) and for
// 32-bit Windows. Only the VST 3 shell and the test host include this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(_WIN32)
#define VST3_CALL __stdcall
#define VST3_COM_IDS 1
#else
#define VST3_CALL
#define VST3_COM_IDS 0
#endif

namespace vst3 {

using int8 = char;
using uint8 = uint8_t;
using int16 = int16_t;
using uint16 = uint16_t;
using int32 = int32_t;
using uint32 = uint32_t;
using int64 = int64_t;
using uint64 = uint64_t;
using TBool = uint8_t;
using tresult = int32_t;
using char8 = char;
using char16 = char16_t;
using FIDString = const char8*;
using TUID = char[16];
using ParamID = uint32;
using ParamValue = double;
using SampleRate = double;
using TSamples = int64;
using TQuarterNotes = double;
using SpeakerArrangement = uint64;
using MediaType = int32;
using BusDirection = int32;
using BusType = int32;
using IoMode = int32;
using UnitID = int32;
using ProgramListID = int32;
using CtrlNumber = int16;
using String128 = char16[128];

// Result codes: the COM values on Windows, small integers elsewhere.
#if VST3_COM_IDS
enum : tresult {
  kResultOk = 0,
  kResultTrue = 0,
  kResultFalse = 1,
  kNoInterface = int32(0x80004002u),
  kInvalidArgument = int32(0x80070057u),
  kNotImplemented = int32(0x80004001u),
  kInternalError = int32(0x80004005u),
  kNotInitialized = int32(0x8000FFFFu),
  kOutOfMemory = int32(0x8007000Eu),
};
#else
enum : tresult {
  kResultOk = 0,
  kResultTrue = 0,
  kResultFalse = 1,
  kNoInterface = -1,
  kInvalidArgument = 2,
  kNotImplemented = 3,
  kInternalError = 4,
  kNotInitialized = 5,
  kOutOfMemory = 6,
};
#endif

// A 16-byte ID from its four declared words, laid out in memory as the
// platform's hosts compare it: words big-endian in order (Linux), or the COM
// GUID order (Data1..3 little-endian) on Windows. The 32-digit text form is the
// words in order on every platform.
struct uid {
  uint8_t bytes[16];

  static constexpr uid from_words(uint32 l1, uint32 l2, uint32 l3, uint32 l4) {
    uid u{};
#if VST3_COM_IDS
    const uint8_t b[16] = {uint8_t(l1), uint8_t(l1 >> 8), uint8_t(l1 >> 16), uint8_t(l1 >> 24),
                           uint8_t(l2 >> 16), uint8_t(l2 >> 24), uint8_t(l2), uint8_t(l2 >> 8),
                           uint8_t(l3 >> 24), uint8_t(l3 >> 16), uint8_t(l3 >> 8), uint8_t(l3),
                           uint8_t(l4 >> 24), uint8_t(l4 >> 16), uint8_t(l4 >> 8), uint8_t(l4)};
#else
    const uint8_t b[16] = {uint8_t(l1 >> 24), uint8_t(l1 >> 16), uint8_t(l1 >> 8), uint8_t(l1),
                           uint8_t(l2 >> 24), uint8_t(l2 >> 16), uint8_t(l2 >> 8), uint8_t(l2),
                           uint8_t(l3 >> 24), uint8_t(l3 >> 16), uint8_t(l3 >> 8), uint8_t(l3),
                           uint8_t(l4 >> 24), uint8_t(l4 >> 16), uint8_t(l4 >> 8), uint8_t(l4)};
#endif
    for (int i = 0; i < 16; ++i) u.bytes[i] = b[i];
    return u;
  }
  bool matches(const void* raw) const { return raw && std::memcmp(bytes, raw, 16) == 0; }
  const char* data() const { return reinterpret_cast<const char*>(bytes); }
  // The four words back from memory (for the text form).
  void words(uint32 out[4]) const;
};

inline void uid::words(uint32 out[4]) const {
  auto be = [&](int at) {
    return uint32(bytes[at]) << 24 | uint32(bytes[at + 1]) << 16 | uint32(bytes[at + 2]) << 8 |
           uint32(bytes[at + 3]);
  };
#if VST3_COM_IDS
  out[0] = uint32(bytes[0]) | uint32(bytes[1]) << 8 | uint32(bytes[2]) << 16 | uint32(bytes[3]) << 24;
  out[1] = (uint32(bytes[4]) | uint32(bytes[5]) << 8) << 16 | (uint32(bytes[6]) | uint32(bytes[7]) << 8);
#else
  out[0] = be(0);
  out[1] = be(4);
#endif
  out[2] = be(8);
  out[3] = be(12);
}

// Interface IDs.
namespace iid {
constexpr uid FUnknown = uid::from_words(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
constexpr uid IPluginBase = uid::from_words(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
constexpr uid IPluginFactory = uid::from_words(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
constexpr uid IPluginFactory2 = uid::from_words(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
constexpr uid IPluginFactory3 = uid::from_words(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
constexpr uid IBStream = uid::from_words(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
constexpr uid IHostApplication = uid::from_words(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
constexpr uid IAttributeList = uid::from_words(0x1E5F0AEB, 0xCC7F4533, 0xA2544011, 0x38AD5EE4);
constexpr uid IMessage = uid::from_words(0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613);
constexpr uid IConnectionPoint = uid::from_words(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
constexpr uid IComponent = uid::from_words(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
constexpr uid IAudioProcessor = uid::from_words(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
constexpr uid IProcessContextRequirements = uid::from_words(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
constexpr uid IEventList = uid::from_words(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);
constexpr uid IParamValueQueue = uid::from_words(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
constexpr uid IParameterChanges = uid::from_words(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
constexpr uid IEditController = uid::from_words(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
constexpr uid IComponentHandler = uid::from_words(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
constexpr uid IMidiMapping = uid::from_words(0xDF0FF9F7, 0x49B74669, 0xB63AB732, 0x7ADBF5E5);
constexpr uid IUnitInfo = uid::from_words(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);
constexpr uid IUnitHandler = uid::from_words(0x4B5147F8, 0x4654486B, 0x8DAB30BA, 0x163A3C56);
constexpr uid IPlugView = uid::from_words(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
constexpr uid IPlugFrame = uid::from_words(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
constexpr uid IPlugViewContentScaleSupport = uid::from_words(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
constexpr uid IRunLoop = uid::from_words(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
constexpr uid IEventHandler = uid::from_words(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
constexpr uid ITimerHandler = uid::from_words(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
}  // namespace iid

// ---- base ---------------------------------------------------------------------

class FUnknown {
 public:
  virtual tresult VST3_CALL queryInterface(const TUID iid, void** obj) = 0;
  virtual uint32 VST3_CALL addRef() = 0;
  virtual uint32 VST3_CALL release() = 0;
};

class IPluginBase : public FUnknown {
 public:
  virtual tresult VST3_CALL initialize(FUnknown* context) = 0;
  virtual tresult VST3_CALL terminate() = 0;
};

enum : int32 { kNoFlags = 0, kClassesDiscardable = 1, kComponentNonDiscardable = 8, kUnicode = 16 };
constexpr int32 kManyInstances = 0x7FFFFFFF;

struct PFactoryInfo {
  char8 vendor[64];
  char8 url[256];
  char8 email[128];
  int32 flags;
};

struct PClassInfo {
  TUID cid;
  int32 cardinality;
  char8 category[32];
  char8 name[64];
};

struct PClassInfo2 {
  TUID cid;
  int32 cardinality;
  char8 category[32];
  char8 name[64];
  uint32 classFlags;
  char8 subCategories[128];
  char8 vendor[64];
  char8 version[64];
  char8 sdkVersion[64];
};

struct PClassInfoW {
  TUID cid;
  int32 cardinality;
  char8 category[32];
  char16 name[64];
  uint32 classFlags;
  char8 subCategories[128];
  char16 vendor[64];
  char16 version[64];
  char16 sdkVersion[64];
};

class IPluginFactory : public FUnknown {
 public:
  virtual tresult VST3_CALL getFactoryInfo(PFactoryInfo* info) = 0;
  virtual int32 VST3_CALL countClasses() = 0;
  virtual tresult VST3_CALL getClassInfo(int32 index, PClassInfo* info) = 0;
  virtual tresult VST3_CALL createInstance(FIDString cid, FIDString iid, void** obj) = 0;
};

class IPluginFactory2 : public IPluginFactory {
 public:
  virtual tresult VST3_CALL getClassInfo2(int32 index, PClassInfo2* info) = 0;
};

class IPluginFactory3 : public IPluginFactory2 {
 public:
  virtual tresult VST3_CALL getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;
  virtual tresult VST3_CALL setHostContext(FUnknown* context) = 0;
};

enum : int32 { kIBSeekSet = 0, kIBSeekCur = 1, kIBSeekEnd = 2 };

class IBStream : public FUnknown {
 public:
  virtual tresult VST3_CALL read(void* buffer, int32 bytes, int32* bytes_read) = 0;
  virtual tresult VST3_CALL write(void* buffer, int32 bytes, int32* bytes_written) = 0;
  virtual tresult VST3_CALL seek(int64 pos, int32 mode, int64* result) = 0;
  virtual tresult VST3_CALL tell(int64* pos) = 0;
};

class IHostApplication : public FUnknown {
 public:
  virtual tresult VST3_CALL getName(char16* name) = 0;  // String128
  virtual tresult VST3_CALL createInstance(TUID cid, TUID iid, void** obj) = 0;
};

using AttrID = const char*;

class IAttributeList : public FUnknown {
 public:
  virtual tresult VST3_CALL setInt(AttrID id, int64 value) = 0;
  virtual tresult VST3_CALL getInt(AttrID id, int64& value) = 0;
  virtual tresult VST3_CALL setFloat(AttrID id, double value) = 0;
  virtual tresult VST3_CALL getFloat(AttrID id, double& value) = 0;
  virtual tresult VST3_CALL setString(AttrID id, const char16* text) = 0;
  virtual tresult VST3_CALL getString(AttrID id, char16* text, uint32 size_in_bytes) = 0;
  virtual tresult VST3_CALL setBinary(AttrID id, const void* data, uint32 bytes) = 0;
  virtual tresult VST3_CALL getBinary(AttrID id, const void*& data, uint32& bytes) = 0;
};

class IMessage : public FUnknown {
 public:
  virtual FIDString VST3_CALL getMessageID() = 0;
  virtual void VST3_CALL setMessageID(FIDString id) = 0;
  virtual IAttributeList* VST3_CALL getAttributes() = 0;
};

class IConnectionPoint : public FUnknown {
 public:
  virtual tresult VST3_CALL connect(IConnectionPoint* other) = 0;
  virtual tresult VST3_CALL disconnect(IConnectionPoint* other) = 0;
  virtual tresult VST3_CALL notify(IMessage* message) = 0;
};

// ---- processor side ----------------------------------------------------------

enum : int32 { kAudio = 0, kEvent = 1 };
enum : int32 { kInput = 0, kOutput = 1 };
enum : int32 { kMain = 0, kAux = 1 };
enum : uint32 { kDefaultActive = 1, kIsControlVoltage = 2 };
enum : int32 { kSimple = 0, kAdvanced = 1, kOfflineProcessing = 2 };

struct BusInfo {
  MediaType mediaType;
  BusDirection direction;
  int32 channelCount;
  String128 name;
  BusType busType;
  uint32 flags;
};

struct RoutingInfo {
  MediaType mediaType;
  int32 busIndex;
  int32 channel;
};

class IComponent : public IPluginBase {
 public:
  virtual tresult VST3_CALL getControllerClassId(TUID class_id) = 0;
  virtual tresult VST3_CALL setIoMode(IoMode mode) = 0;
  virtual int32 VST3_CALL getBusCount(MediaType type, BusDirection dir) = 0;
  virtual tresult VST3_CALL getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) = 0;
  virtual tresult VST3_CALL getRoutingInfo(RoutingInfo& in, RoutingInfo& out) = 0;
  virtual tresult VST3_CALL activateBus(MediaType type, BusDirection dir, int32 index, TBool state) = 0;
  virtual tresult VST3_CALL setActive(TBool state) = 0;
  virtual tresult VST3_CALL setState(IBStream* state) = 0;
  virtual tresult VST3_CALL getState(IBStream* state) = 0;
};

enum : int32 { kSample32 = 0, kSample64 = 1 };
enum : int32 { kRealtime = 0, kPrefetch = 1, kOffline = 2 };
constexpr SpeakerArrangement kSpeakerStereo = 0x3;
constexpr uint32 kNoTail = 0;

#if defined(_WIN32) && !defined(_WIN64)
#pragma pack(push, 8)
#else
#pragma pack(push, 16)
#endif

struct ProcessSetup {
  int32 processMode;
  int32 symbolicSampleSize;
  int32 maxSamplesPerBlock;
  SampleRate sampleRate;
};

struct AudioBusBuffers {
  int32 numChannels;
  uint64 silenceFlags;
  union {
    float** channelBuffers32;
    double** channelBuffers64;
  };
};

struct Chord {
  uint8 keyNote;
  uint8 rootNote;
  int16 chordMask;
};

struct FrameRate {
  uint32 framesPerSecond;
  uint32 flags;
};

struct ProcessContext {
  uint32 state;
  double sampleRate;
  TSamples projectTimeSamples;
  int64 systemTime;
  TSamples continousTimeSamples;
  TQuarterNotes projectTimeMusic;
  TQuarterNotes barPositionMusic;
  TQuarterNotes cycleStartMusic;
  TQuarterNotes cycleEndMusic;
  double tempo;
  int32 timeSigNumerator;
  int32 timeSigDenominator;
  Chord chord;
  int32 smpteOffsetSubframes;
  FrameRate frameRate;
  int32 samplesToNextClock;
};

enum : uint32 {
  kPlaying = 1u << 1,
  kCycleActive = 1u << 2,
  kRecording = 1u << 3,
  kSystemTimeValid = 1u << 8,
  kProjectTimeMusicValid = 1u << 9,
  kTempoValid = 1u << 10,
  kBarPositionValid = 1u << 11,
  kCycleValid = 1u << 12,
  kTimeSigValid = 1u << 13,
  kSmpteValid = 1u << 14,
  kClockValid = 1u << 15,
  kContTimeValid = 1u << 17,
  kChordValid = 1u << 18,
};

struct NoteOnEvent {
  int16 channel;
  int16 pitch;
  float tuning;    // cents
  float velocity;  // 0..1
  int32 length;
  int32 noteId;
};

struct NoteOffEvent {
  int16 channel;
  int16 pitch;
  float velocity;
  int32 noteId;
  float tuning;
};

struct DataEvent {
  uint32 size;
  uint32 type;
  const uint8* bytes;
};

struct PolyPressureEvent {
  int16 channel;
  int16 pitch;
  float pressure;
  int32 noteId;
};

struct LegacyMIDICCOutEvent {
  uint8 controlNumber;
  int8 channel;
  int8 value;
  int8 value2;
};

#if defined(_WIN32) && !defined(_WIN64)
#pragma pack(push, 4)
#endif
struct NoteExpressionValueEvent {
  uint32 typeId;
  int32 noteId;
  double value;
};

struct NoteExpressionTextEvent {
  uint32 typeId;
  int32 noteId;
  uint32 textLen;
  const char16* text;
};
#if defined(_WIN32) && !defined(_WIN64)
#pragma pack(pop)
#endif

struct ChordEvent {
  int16 root;
  int16 bassNote;
  int16 mask;
  uint16 textLen;
  const char16* text;
};

struct ScaleEvent {
  int16 root;
  int16 mask;
  uint16 textLen;
  const char16* text;
};

enum : uint16 {
  kNoteOnEvent = 0,
  kNoteOffEvent = 1,
  kDataEvent = 2,
  kPolyPressureEvent = 3,
  kNoteExpressionValueEvent = 4,
  kNoteExpressionTextEvent = 5,
  kChordEvent = 6,
  kScaleEvent = 7,
  kLegacyMIDICCOutEvent = 65535,
};
enum : uint16 { kIsLive = 1 };

struct Event {
  int32 busIndex;
  int32 sampleOffset;
  TQuarterNotes ppqPosition;
  uint16 flags;
  uint16 type;
  union {
    NoteOnEvent noteOn;
    NoteOffEvent noteOff;
    DataEvent data;
    PolyPressureEvent polyPressure;
    NoteExpressionValueEvent noteExpressionValue;
    NoteExpressionTextEvent noteExpressionText;
    ChordEvent chord;
    ScaleEvent scale;
    LegacyMIDICCOutEvent midiCCOut;
  };
};

class IParamValueQueue;
class IParameterChanges;
class IEventList;

struct ProcessData {
  int32 processMode;
  int32 symbolicSampleSize;
  int32 numSamples;
  int32 numInputs;
  int32 numOutputs;
  AudioBusBuffers* inputs;
  AudioBusBuffers* outputs;
  IParameterChanges* inputParameterChanges;
  IParameterChanges* outputParameterChanges;
  IEventList* inputEvents;
  IEventList* outputEvents;
  ProcessContext* processContext;
};

struct ParameterInfo {
  ParamID id;
  String128 title;
  String128 shortTitle;
  String128 units;
  int32 stepCount;
  ParamValue defaultNormalizedValue;
  UnitID unitId;
  int32 flags;
};

#pragma pack(pop)

class IAudioProcessor : public FUnknown {
 public:
  virtual tresult VST3_CALL setBusArrangements(SpeakerArrangement* inputs, int32 ins,
                                               SpeakerArrangement* outputs, int32 outs) = 0;
  virtual tresult VST3_CALL getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) = 0;
  virtual tresult VST3_CALL canProcessSampleSize(int32 size) = 0;
  virtual uint32 VST3_CALL getLatencySamples() = 0;
  virtual tresult VST3_CALL setupProcessing(ProcessSetup& setup) = 0;
  virtual tresult VST3_CALL setProcessing(TBool state) = 0;
  virtual tresult VST3_CALL process(ProcessData& data) = 0;
  virtual uint32 VST3_CALL getTailSamples() = 0;
};

enum : uint32 {
  kNeedSystemTime = 1u << 0,
  kNeedContinousTimeSamples = 1u << 1,
  kNeedProjectTimeMusic = 1u << 2,
  kNeedBarPositionMusic = 1u << 3,
  kNeedCycleMusic = 1u << 4,
  kNeedSamplesToNextClock = 1u << 5,
  kNeedTempo = 1u << 6,
  kNeedTimeSignature = 1u << 7,
  kNeedChord = 1u << 8,
  kNeedFrameRate = 1u << 9,
  kNeedTransportState = 1u << 10,
};

class IProcessContextRequirements : public FUnknown {
 public:
  virtual uint32 VST3_CALL getProcessContextRequirements() = 0;
};

class IParamValueQueue : public FUnknown {
 public:
  virtual ParamID VST3_CALL getParameterId() = 0;
  virtual int32 VST3_CALL getPointCount() = 0;
  virtual tresult VST3_CALL getPoint(int32 index, int32& sample_offset, ParamValue& value) = 0;
  virtual tresult VST3_CALL addPoint(int32 sample_offset, ParamValue value, int32& index) = 0;
};

class IParameterChanges : public FUnknown {
 public:
  virtual int32 VST3_CALL getParameterCount() = 0;
  virtual IParamValueQueue* VST3_CALL getParameterData(int32 index) = 0;
  virtual IParamValueQueue* VST3_CALL addParameterData(const ParamID& id, int32& index) = 0;
};

class IEventList : public FUnknown {
 public:
  virtual int32 VST3_CALL getEventCount() = 0;
  virtual tresult VST3_CALL getEvent(int32 index, Event& e) = 0;
  virtual tresult VST3_CALL addEvent(Event& e) = 0;
};

// ---- controller side -----------------------------------------------------------

enum : int32 {
  kCanAutomate = 1 << 0,
  kIsReadOnly = 1 << 1,
  kIsWrapAround = 1 << 2,
  kIsList = 1 << 3,
  kIsHidden = 1 << 4,
  kIsProgramChange = 1 << 15,
  kIsBypass = 1 << 16,
};
constexpr ParamID kNoParamId = 0xFFFFFFFF;

class IEditController : public IPluginBase {
 public:
  virtual tresult VST3_CALL setComponentState(IBStream* state) = 0;
  virtual tresult VST3_CALL setState(IBStream* state) = 0;
  virtual tresult VST3_CALL getState(IBStream* state) = 0;
  virtual int32 VST3_CALL getParameterCount() = 0;
  virtual tresult VST3_CALL getParameterInfo(int32 index, ParameterInfo& info) = 0;
  virtual tresult VST3_CALL getParamStringByValue(ParamID id, ParamValue normalized, char16* text) = 0;
  virtual tresult VST3_CALL getParamValueByString(ParamID id, char16* text, ParamValue& normalized) = 0;
  virtual ParamValue VST3_CALL normalizedParamToPlain(ParamID id, ParamValue normalized) = 0;
  virtual ParamValue VST3_CALL plainParamToNormalized(ParamID id, ParamValue plain) = 0;
  virtual ParamValue VST3_CALL getParamNormalized(ParamID id) = 0;
  virtual tresult VST3_CALL setParamNormalized(ParamID id, ParamValue value) = 0;
  virtual tresult VST3_CALL setComponentHandler(class IComponentHandler* handler) = 0;
  virtual class IPlugView* VST3_CALL createView(FIDString name) = 0;
};

enum : int32 {
  kReloadComponent = 1 << 0,
  kIoChanged = 1 << 1,
  kParamValuesChanged = 1 << 2,
  kLatencyChanged = 1 << 3,
  kParamTitlesChanged = 1 << 4,
  kMidiCCAssignmentChanged = 1 << 5,
};

class IComponentHandler : public FUnknown {
 public:
  virtual tresult VST3_CALL beginEdit(ParamID id) = 0;
  virtual tresult VST3_CALL performEdit(ParamID id, ParamValue normalized) = 0;
  virtual tresult VST3_CALL endEdit(ParamID id) = 0;
  virtual tresult VST3_CALL restartComponent(int32 flags) = 0;
};

// Controller numbers beyond the 128 MIDI controllers.
enum : int16 { kAfterTouch = 128, kPitchBend = 129, kCountCtrlNumber = 130 };

class IMidiMapping : public FUnknown {
 public:
  virtual tresult VST3_CALL getMidiControllerAssignment(int32 bus, int16 channel, CtrlNumber ctrl,
                                                        ParamID& id) = 0;
};

constexpr UnitID kRootUnitId = 0;
constexpr UnitID kNoParentUnitId = -1;
constexpr ProgramListID kNoProgramListId = -1;

struct UnitInfo {
  UnitID id;
  UnitID parentUnitId;
  String128 name;
  ProgramListID programListId;
};

struct ProgramListInfo {
  ProgramListID id;
  String128 name;
  int32 programCount;
};

class IUnitInfo : public FUnknown {
 public:
  virtual int32 VST3_CALL getUnitCount() = 0;
  virtual tresult VST3_CALL getUnitInfo(int32 index, UnitInfo& info) = 0;
  virtual int32 VST3_CALL getProgramListCount() = 0;
  virtual tresult VST3_CALL getProgramListInfo(int32 index, ProgramListInfo& info) = 0;
  virtual tresult VST3_CALL getProgramName(ProgramListID list, int32 index, char16* name) = 0;
  virtual tresult VST3_CALL getProgramInfo(ProgramListID list, int32 index, const char8* attribute,
                                           char16* value) = 0;
  virtual tresult VST3_CALL hasProgramPitchNames(ProgramListID list, int32 index) = 0;
  virtual tresult VST3_CALL getProgramPitchName(ProgramListID list, int32 index, int16 pitch, char16* name) = 0;
  virtual UnitID VST3_CALL getSelectedUnit() = 0;
  virtual tresult VST3_CALL selectUnit(UnitID id) = 0;
  virtual tresult VST3_CALL getUnitByBus(MediaType type, BusDirection dir, int32 bus, int32 channel,
                                         UnitID& unit) = 0;
  virtual tresult VST3_CALL setUnitProgramData(int32 list_or_unit, int32 index, IBStream* data) = 0;
};

class IUnitHandler : public FUnknown {
 public:
  virtual tresult VST3_CALL notifyUnitSelection(UnitID id) = 0;
  virtual tresult VST3_CALL notifyProgramListChange(ProgramListID list, int32 index) = 0;
};

// ---- editor ------------------------------------------------------------------

struct ViewRect {
  int32 left;
  int32 top;
  int32 right;
  int32 bottom;
};

class IPlugFrame;

class IPlugView : public FUnknown {
 public:
  virtual tresult VST3_CALL isPlatformTypeSupported(FIDString type) = 0;
  virtual tresult VST3_CALL attached(void* parent, FIDString type) = 0;
  virtual tresult VST3_CALL removed() = 0;
  virtual tresult VST3_CALL onWheel(float distance) = 0;
  virtual tresult VST3_CALL onKeyDown(char16 key, int16 key_code, int16 modifiers) = 0;
  virtual tresult VST3_CALL onKeyUp(char16 key, int16 key_code, int16 modifiers) = 0;
  virtual tresult VST3_CALL getSize(ViewRect* size) = 0;
  virtual tresult VST3_CALL onSize(ViewRect* size) = 0;
  virtual tresult VST3_CALL onFocus(TBool state) = 0;
  virtual tresult VST3_CALL setFrame(IPlugFrame* frame) = 0;
  virtual tresult VST3_CALL canResize() = 0;
  virtual tresult VST3_CALL checkSizeConstraint(ViewRect* rect) = 0;
};

class IPlugFrame : public FUnknown {
 public:
  virtual tresult VST3_CALL resizeView(IPlugView* view, ViewRect* size) = 0;
};

class IPlugViewContentScaleSupport : public FUnknown {
 public:
  virtual tresult VST3_CALL setContentScaleFactor(float factor) = 0;
};

// The Linux run loop the host lends its plug-ins' editors.
class IEventHandler : public FUnknown {
 public:
  virtual void VST3_CALL onFDIsSet(int fd) = 0;
};

class ITimerHandler : public FUnknown {
 public:
  virtual void VST3_CALL onTimer() = 0;
};

class IRunLoop : public FUnknown {
 public:
  virtual tresult VST3_CALL registerEventHandler(IEventHandler* handler, int fd) = 0;
  virtual tresult VST3_CALL unregisterEventHandler(IEventHandler* handler) = 0;
  virtual tresult VST3_CALL registerTimer(ITimerHandler* handler, uint64 milliseconds) = 0;
  virtual tresult VST3_CALL unregisterTimer(ITimerHandler* handler) = 0;
};

// The module's entry points.
using GetFactoryProc = IPluginFactory*(VST3_CALL*)();
using ModuleEntryProc = bool (*)(void*);
using ModuleExitProc = bool (*)();
using InitDllProc = bool(VST3_CALL*)();

// ---- layout pins ------------------------------------------------------------

#define VST3_ABI_CHECK(type, field, off64, off32)                                     \
  static_assert(offsetof(type, field) == (sizeof(void*) == 8 ? (off64) : (off32)), \
                #type "." #field " offset")
#define VST3_SIZE_CHECK(type, size64, size32) \
  static_assert(sizeof(type) == (sizeof(void*) == 8 ? (size64) : (size32)), #type " size")

VST3_ABI_CHECK(PFactoryInfo, flags, 448, 448);
VST3_SIZE_CHECK(PFactoryInfo, 452, 452);
VST3_SIZE_CHECK(PClassInfo, 116, 116);
VST3_ABI_CHECK(PClassInfo2, classFlags, 116, 116);
VST3_ABI_CHECK(PClassInfo2, subCategories, 120, 120);
VST3_ABI_CHECK(PClassInfo2, vendor, 248, 248);
VST3_ABI_CHECK(PClassInfo2, sdkVersion, 376, 376);
VST3_SIZE_CHECK(PClassInfo2, 440, 440);
VST3_ABI_CHECK(PClassInfoW, classFlags, 180, 180);
VST3_ABI_CHECK(PClassInfoW, subCategories, 184, 184);
VST3_ABI_CHECK(PClassInfoW, vendor, 312, 312);
VST3_ABI_CHECK(PClassInfoW, version, 440, 440);
VST3_ABI_CHECK(PClassInfoW, sdkVersion, 568, 568);
VST3_SIZE_CHECK(PClassInfoW, 696, 696);
VST3_ABI_CHECK(BusInfo, name, 12, 12);
VST3_ABI_CHECK(BusInfo, busType, 268, 268);
VST3_ABI_CHECK(BusInfo, flags, 272, 272);
VST3_SIZE_CHECK(BusInfo, 276, 276);
VST3_SIZE_CHECK(RoutingInfo, 12, 12);
VST3_ABI_CHECK(ProcessSetup, sampleRate, 16, 16);
VST3_SIZE_CHECK(ProcessSetup, 24, 24);
VST3_ABI_CHECK(AudioBusBuffers, silenceFlags, 8, 8);
VST3_ABI_CHECK(AudioBusBuffers, channelBuffers32, 16, 16);
VST3_SIZE_CHECK(AudioBusBuffers, 24, 24);
VST3_ABI_CHECK(ProcessData, numOutputs, 16, 16);
VST3_ABI_CHECK(ProcessData, inputs, 24, 20);
VST3_ABI_CHECK(ProcessData, outputs, 32, 24);
VST3_ABI_CHECK(ProcessData, inputParameterChanges, 40, 28);
VST3_ABI_CHECK(ProcessData, outputParameterChanges, 48, 32);
VST3_ABI_CHECK(ProcessData, inputEvents, 56, 36);
VST3_ABI_CHECK(ProcessData, outputEvents, 64, 40);
VST3_ABI_CHECK(ProcessData, processContext, 72, 44);
VST3_SIZE_CHECK(ProcessData, 80, 48);
VST3_ABI_CHECK(ProcessContext, sampleRate, 8, 8);
VST3_ABI_CHECK(ProcessContext, projectTimeSamples, 16, 16);
VST3_ABI_CHECK(ProcessContext, projectTimeMusic, 40, 40);
VST3_ABI_CHECK(ProcessContext, tempo, 72, 72);
VST3_ABI_CHECK(ProcessContext, timeSigNumerator, 80, 80);
VST3_ABI_CHECK(ProcessContext, chord, 88, 88);
VST3_ABI_CHECK(ProcessContext, smpteOffsetSubframes, 92, 92);
VST3_ABI_CHECK(ProcessContext, frameRate, 96, 96);
VST3_ABI_CHECK(ProcessContext, samplesToNextClock, 104, 104);
VST3_SIZE_CHECK(ProcessContext, 112, 112);
VST3_ABI_CHECK(Event, ppqPosition, 8, 8);
VST3_ABI_CHECK(Event, flags, 16, 16);
VST3_ABI_CHECK(Event, type, 18, 18);
VST3_ABI_CHECK(Event, noteOn, 24, 20);
VST3_SIZE_CHECK(Event, 48, 40);
VST3_SIZE_CHECK(NoteOnEvent, 20, 20);
VST3_ABI_CHECK(NoteOnEvent, noteId, 16, 16);
VST3_SIZE_CHECK(NoteOffEvent, 16, 16);
VST3_ABI_CHECK(NoteOffEvent, tuning, 12, 12);
VST3_SIZE_CHECK(PolyPressureEvent, 12, 12);
VST3_SIZE_CHECK(DataEvent, 16, 12);
VST3_ABI_CHECK(DataEvent, bytes, 8, 8);
VST3_SIZE_CHECK(NoteExpressionValueEvent, 16, 16);
VST3_ABI_CHECK(NoteExpressionValueEvent, noteId, 4, 4);
VST3_ABI_CHECK(NoteExpressionValueEvent, value, 8, 8);
VST3_ABI_CHECK(Event, noteExpressionValue, 24, 20);
VST3_ABI_CHECK(PolyPressureEvent, noteId, 8, 8);
VST3_ABI_CHECK(NoteOnEvent, tuning, 4, 4);
VST3_ABI_CHECK(NoteExpressionTextEvent, text, 16, 12);
VST3_SIZE_CHECK(NoteExpressionTextEvent, 24, 16);
VST3_SIZE_CHECK(ChordEvent, 16, 12);
VST3_SIZE_CHECK(ScaleEvent, 16, 12);
VST3_ABI_CHECK(ParameterInfo, shortTitle, 260, 260);
VST3_ABI_CHECK(ParameterInfo, units, 516, 516);
VST3_ABI_CHECK(ParameterInfo, stepCount, 772, 772);
VST3_ABI_CHECK(ParameterInfo, defaultNormalizedValue, 776, 776);
VST3_ABI_CHECK(ParameterInfo, unitId, 784, 784);
VST3_ABI_CHECK(ParameterInfo, flags, 788, 788);
VST3_SIZE_CHECK(ParameterInfo, 792, 792);
VST3_ABI_CHECK(UnitInfo, name, 8, 8);
VST3_ABI_CHECK(UnitInfo, programListId, 264, 264);
VST3_SIZE_CHECK(UnitInfo, 268, 268);
VST3_ABI_CHECK(ProgramListInfo, programCount, 260, 260);
VST3_SIZE_CHECK(ProgramListInfo, 264, 264);
VST3_SIZE_CHECK(ViewRect, 16, 16);
#undef VST3_ABI_CHECK
#undef VST3_SIZE_CHECK

}  // namespace vst3
