#include <stdint.h>

namespace app {

struct Base {
  uint32_t id;
};

struct Mixin {
  uint16_t flags;
};

class Engine : public Base, public Mixin {
 public:
  static int x;
  uint8_t speed;
  virtual int run() { return speed; }
};

int Engine::x = 3;
Engine engine;
int v;

template <typename T, int N>
struct Buffer {
  T data[N];
  int head;
};

Buffer<uint8_t, 4> buffer;

namespace {
int s_hidden;
}

}  // namespace app

int sampleMain() {
  return app::engine.run() + app::v + app::s_hidden + app::buffer.head;
}
