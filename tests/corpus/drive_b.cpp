// The second unit that uses the types of drive.h.
#include "drive.h"

namespace app {

namespace {

// A class of this unit, with a variable of the same name as one of drive_a.cpp.
class Sampler {
 public:
  static uint32_t s_overruns;
  uint32_t samples;
};

uint32_t Sampler::s_overruns;
Sampler s_monitor;

}  // namespace

Frame g_frames[2];
RingBuffer<Frame, 2> txRing;
const hal::Channel kIdleChannel = {0, 0, hal::Mode::Off, 0, 0};

int driveB(int input) {
  g_frames[input & 1].id = static_cast<uint32_t>(input);
  g_frames[input & 1].channels[1] = kIdleChannel;
  g_frames[0].channels[0].ready = 1;
  if (!txRing.push(g_frames[0])) ++Sampler::s_overruns;
  rxRing.push(static_cast<uint8_t>(input));
  s_monitor.samples += static_cast<uint32_t>(input);
  g_mode = input > 3 ? hal::Mode::Fault : hal::Mode::Run;
  return static_cast<int>(txRing.m_head);
}

}  // namespace app
