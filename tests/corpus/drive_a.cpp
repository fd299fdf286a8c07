// The first unit that uses the types of drive.h.
#include "drive.h"

namespace app {

RingBuffer<uint8_t, 16> rxRing;
hal::Mode g_mode = hal::Mode::Run;
hal::Uart hal::Uart::s_console(115200);

namespace {

// A class of this unit alone, with static members and a static in a member function.
class Monitor {
 public:
  static uint32_t s_overruns;
  static int tick() {
    static int s_calls;
    return ++s_calls;
  }
  uint16_t peaks[3];
  hal::Channel channel;
};

uint32_t Monitor::s_overruns;
Monitor s_monitor;

}  // namespace

namespace detail::filters {
RingBuffer<int16_t, 4> history;
}

int driveA(int input) {
  static hal::Channel s_last;
  s_last.raw = static_cast<uint16_t>(input);
  s_last.errors = static_cast<uint8_t>(input & 7);
  s_monitor.peaks[input % 3] = s_last.raw;
  if (!rxRing.push(static_cast<uint8_t>(input))) ++Monitor::s_overruns;
  detail::filters::history.push(static_cast<int16_t>(-input));
  hal::Uart::s_console.send(static_cast<uint8_t>(input));
  return Monitor::tick() + static_cast<int>(g_mode) + s_monitor.channel.raw;
}

}  // namespace app

// Runs before main from the constructor table, which the linker keeps, so that the
// drive units stay in the image when unused sections are removed.
__attribute__((constructor)) static void startDrives() {
  app::driveA(1);
  app::driveB(2);
}
