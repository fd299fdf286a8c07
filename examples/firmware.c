#include "firmware.h"

MotorConfig g_motor = {1, 2, -3, 4};
uint32_t g_tick;
UartRegisters g_uart;
int16_t g_speedTable[2][3];
const uint8_t g_version[3] = {1, 4, 2};

static struct {
  uint8_t head;
  uint8_t tail;
  uint8_t buffer[8];
} s_ring;

static void onTick(void) {
  static uint16_t calls;
  ++calls;
  ++g_tick;
  s_ring.buffer[s_ring.head++ & 7u] = (uint8_t)calls;
}

int main(void) {
  for (int i = 0; i < 3; ++i) onTick();
  return g_motor.mode + g_speedTable[1][2] + g_version[0] + (int)g_uart.status;
}
