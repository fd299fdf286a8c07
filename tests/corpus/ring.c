#include "shared.h"

/* A second unit with statics of the same names as registers.c. */
static uint32_t counter;
static struct {
  uint8_t enabled;
  uint32_t hits;
} s_stats;

static const uint8_t s_transitions[3][2] = {{1, 0}, {1, 2}, {0, 2}};

int ringPush(RingBuffer* ring, uint8_t value) {
  if (ring->count >= sizeof ring->data) return 0;
  ring->data[ring->head] = value;
  ring->head = (uint8_t)((ring->head + 1u) % sizeof ring->data);
  ring->count++;
  counter++;
  s_stats.hits++;
  return 1;
}

State stepMachine(State state, int input) {
  static State lastState;
  lastState = state;
  return (State)s_transitions[state % 3][input & 1];
}

extern uint32_t registersMain(void);

/* large.c replaces this where it is linked in. */
__attribute__((weak)) uint32_t largeObjects(void) {
  return 0;
}
extern RingBuffer g_rings[3];

int main(void) {
  ringPush(&g_rings[0], 7);
  return (int)(registersMain() + largeObjects()) + stepMachine(STATE_IDLE, 1);
}
