#ifndef CORPUS_SHARED_H
#define CORPUS_SHARED_H
#include <stdint.h>

/* Globals declared in a header and defined in registers.c. */
extern volatile uint32_t g_systemTicks;
extern int16_t g_calibration[4];

typedef enum { STATE_IDLE, STATE_RUN, STATE_FAULT = 9 } State;

typedef struct {
  uint8_t head;
  uint8_t tail;
  uint16_t count;
  uint8_t data[16];
} RingBuffer;

int ringPush(RingBuffer* ring, uint8_t value);
State stepMachine(State state, int input);
#endif
