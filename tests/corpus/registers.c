#include <stddef.h>

#include "shared.h"

/* A peripheral's registers: volatile words, a union of views, bit fields. */
typedef struct {
  volatile uint32_t CR;
  volatile uint32_t SR;
  union {
    volatile uint32_t word;
    volatile uint16_t half[2];
    volatile uint8_t byte[4];
    struct {
      volatile uint32_t enable : 1;
      volatile uint32_t mode : 3;
      volatile uint32_t prescaler : 12;
      volatile uint32_t : 4;
      volatile uint32_t level : 12;
    } bits;
  } DR;
  volatile uint16_t reserved[3];
} TimerRegisters;

/* Bit fields of many widths in 1-, 2- and 4-byte units, signed and unsigned. */
typedef struct {
  uint8_t a : 1;
  uint8_t b : 2;
  uint8_t c : 5;
  int8_t d : 3;
  uint16_t e : 9;
  int16_t f : 7;
  uint32_t g : 17;
  int32_t h : 15;
  uint32_t i : 32;
} BitMix;

/* A packed structure: a field straddles its storage unit. */
typedef struct __attribute__((packed)) {
  uint8_t tag;
  uint32_t straddle : 12;
  uint32_t rest : 20;
  uint16_t tail;
} Packed;

typedef struct {
  struct {
    uint8_t x;
    int16_t y;
  } inner[2];
  union {
    float f;
    uint32_t u;
  } value;
  double d;
  int64_t wide;
  uint64_t uwide;
  _Bool ready;
  char name[5];
  const char* label;
  void (*callback)(void);
} Nested;

struct Flexible {
  uint16_t length;
  uint8_t payload[0];
};

/* Calibration parameters: const, and const volatile so that a calibration tool may change
   them in memory while the program runs. */
typedef enum { GEAR_REVERSE = -1, GEAR_NEUTRAL, GEAR_FIRST, GEAR_SECOND } Gear;
typedef struct {
  uint16_t gain;
  int8_t offset;
  Gear gear;
  uint8_t mode : 3;
  uint8_t enabled : 1;
} Tuning;
const volatile uint16_t cal_idleSpeed = 800;
const volatile Tuning cal_tuning = {2, -1, GEAR_FIRST, 5, 1};
const int16_t cal_curve[2][4] = {{0, 10, 20, 30}, {-5, 5, 15, 25}};
const Gear cal_gears[3] = {GEAR_REVERSE, GEAR_NEUTRAL, GEAR_SECOND};
const char g_version[8] = "1.2.3";
Gear g_gear = GEAR_NEUTRAL;

/* A port whose input register can only be read: a const member of a variable that is not. */
typedef struct {
  volatile uint32_t CTRL;
  volatile const uint32_t IDR;
} GpioRegisters;
GpioRegisters g_gpio;

volatile uint32_t g_systemTicks;
int16_t g_calibration[4] = {1, -2, 3, -4};
TimerRegisters g_timer;
BitMix g_bits;
Packed g_packed;
Nested g_nested;
struct Flexible g_flexible;
uint8_t g_matrix3[2][3][4];
RingBuffer g_rings[3];
State g_state = STATE_RUN;
const uint16_t g_crcTable[8] = {0, 0x1021, 0x2042, 0x3063, 0x4084, 0x50a5, 0x60c6, 0x70e7};
const RingBuffer* g_activeRing = &g_rings[1];
static uint32_t counter;
static struct {
  uint8_t enabled;
  uint32_t hits;
} s_stats;

static void serviceTimer(void) {
  static uint32_t invocations;
  invocations++;
  g_timer.DR.bits.mode = 3u;
  counter += g_timer.SR;
  s_stats.hits++;
}

uint32_t registersMain(void) {
  serviceTimer();
  {
    static uint8_t nestedBlockStatic;
    nestedBlockStatic++;
  }
  g_bits.h = -5;
  g_packed.straddle = 0x123;
  return g_systemTicks + counter + g_crcTable[g_state] + g_matrix3[1][2][3] +
         (uint32_t)g_flexible.length + (uint32_t)offsetof(Nested, d) + cal_idleSpeed +
         (uint32_t)cal_tuning.gain + (uint32_t)cal_curve[1][g_state] +
         (uint32_t)cal_gears[g_state] + (uint32_t)g_version[g_state] + (uint32_t)g_gear +
         g_gpio.IDR;
}
