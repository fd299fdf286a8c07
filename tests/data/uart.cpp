#include "device.h"

namespace app {
Device uart0;
}

int sampleMain();

int main() {
  return app::uart0.read() + sampleMain();
}
