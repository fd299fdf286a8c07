#include <stdint.h>

namespace motor {

struct Sensor {
  uint16_t raw;
  int16_t scaled;
};

class Controller {
 public:
  static uint32_t s_instances;
  static const uint8_t s_version = 3;
  Controller() { ++s_instances; }
  virtual ~Controller() {}
  virtual int update(int input) { return input + gain; }
  int16_t gain = 2;
  Sensor sensors[2];
};

class Logger {
 public:
  virtual void log(int) {}
  uint32_t lines = 0;
};

// Single and multiple inheritance.
class SmartController : public Controller, public Logger {
 public:
  int update(int input) override { return Controller::update(input) * 2; }
  uint8_t mode = 1;
};

template <typename T, int N>
struct History {
  T values[N];
  uint8_t index;
  static T s_last;
};

template <typename T, int N>
T History<T, N>::s_last;

uint32_t Controller::s_instances;

Controller g_controller;
SmartController g_smart;
History<int16_t, 4> g_history;
History<uint8_t, 2> g_shortHistory;
template struct History<int16_t, 4>;

namespace {
uint32_t s_hiddenCounter;
}

namespace config {
const int32_t kLimits[2] = {-100, 100};
volatile uint8_t g_override;
}  // namespace config

}  // namespace motor

int tick() {
  static int calls;
  return ++calls;
}

int main() {
  motor::g_history.values[1] = 5;
  motor::History<int16_t, 4>::s_last = 2;
  motor::History<uint8_t, 2>::s_last = 1;
  return motor::g_smart.update(motor::config::g_override) + tick() +
         static_cast<int>(motor::s_hiddenCounter) + motor::g_shortHistory.index +
         motor::config::kLimits[1];
}
