#include "tools/vsthost/transport.h"

#include <cmath>
#include <cstring>
#include <ctime>

namespace vsthost {

namespace {
constexpr int32_t beats_per_bar = 4;  // 4/4 throughout
constexpr double midi_clocks_per_quarter = 24.0;
}  // namespace

double transport::ppq_position() const {
  return double(sample_pos_) / sample_rate_ * (tempo_bpm_ / 60.0);
}

void transport::fill(VstTimeInfo& info) const {
  std::memset(&info, 0, sizeof info);
  info.samplePos = double(sample_pos_);
  info.sampleRate = sample_rate_;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  info.nanoSeconds = double(now.tv_sec) * 1e9 + double(now.tv_nsec);
  info.ppqPos = ppq_position();
  info.tempo = tempo_bpm_;
  info.barStartPos = std::floor(info.ppqPos / beats_per_bar) * beats_per_bar;
  info.timeSigNumerator = beats_per_bar;
  info.timeSigDenominator = 4;
  // Distance to the next 24-ppq clock, in samples.
  const double clock_ppq = 1.0 / midi_clocks_per_quarter;
  const double to_clock_ppq = std::ceil(info.ppqPos / clock_ppq) * clock_ppq - info.ppqPos;
  info.samplesToNextClock = int32_t(std::lround(to_clock_ppq * 60.0 / tempo_bpm_ * sample_rate_));
  info.flags = kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid |
               kVstTimeSigValid | kVstClockValid | (playing_ ? kVstTransportPlaying : 0);
}

}  // namespace vsthost
