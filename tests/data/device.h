#ifndef DEVICE_H
#define DEVICE_H
#include <stdint.h>

namespace app {

// A class with a key function: GCC describes it completely only in device.cpp.
class Device {
 public:
  virtual ~Device();
  virtual int read();
  uint32_t id;
  uint16_t flags;
};

struct Config {
  static const Config s_default;  // a static member of the class's own type
  uint8_t level;
  uint8_t gain;
};

}  // namespace app
#endif
