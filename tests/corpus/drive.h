// Types that both drive units use. Built with -fdebug-types-section, each of them is
// described once, in a type unit of its own, and the units refer to it by signature.
#ifndef CORPUS_DRIVE_H
#define CORPUS_DRIVE_H
#include <stdint.h>

namespace app {
namespace hal {

enum class Mode : uint8_t { Off, Run, Fault = 7 };

struct Channel {
  uint16_t raw;
  int16_t scaled;
  Mode mode;
  uint8_t ready : 1;
  uint8_t errors : 3;
};

class Uart {
 public:
  explicit Uart(uint32_t baud) : baud_(baud) {}
  virtual ~Uart() {}
  virtual void send(uint8_t byte) {
    last_ = byte;
    ++sent_;
  }
  static Uart s_console;
  uint32_t baud_;
  uint32_t sent_ = 0;
  uint8_t last_ = 0;
};

}  // namespace hal

// A template with a static member: one per instantiation.
template <typename T, int N>
class RingBuffer {
 public:
  bool push(T value) {
    ++s_pushes;
    const uint16_t next = static_cast<uint16_t>((m_head + 1) % N);
    if (next == m_tail) return false;
    m_buf[m_head] = value;
    m_head = next;
    return true;
  }
  static uint32_t s_pushes;
  T m_buf[N];
  uint16_t m_head = 0;
  uint16_t m_tail = 0;
};

template <typename T, int N>
uint32_t RingBuffer<T, N>::s_pushes;

struct Frame {
  uint32_t id;
  uint8_t data[8];
  hal::Channel channels[2];
};

extern RingBuffer<uint8_t, 16> rxRing;
extern hal::Mode g_mode;
int driveA(int input);
int driveB(int input);

}  // namespace app
#endif
