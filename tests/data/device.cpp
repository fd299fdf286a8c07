#include "device.h"

namespace app {
Device::~Device() {}
int Device::read() {
  return static_cast<int>(id);
}
const Config Config::s_default = {1, 2};
Config g_config = {3, 4};
}  // namespace app
