#ifndef FIRMWARE_H
#define FIRMWARE_H
#include <stdint.h>

/* A register block as a peripheral header declares it. */
typedef struct {
  volatile uint32_t ctrl;
  volatile uint32_t status;
  volatile uint16_t data[4];
} UartRegisters;

typedef struct {
  unsigned enabled : 1;
  unsigned mode : 3;
  signed int trim : 4;
  uint8_t channel;
} MotorConfig;

extern MotorConfig g_motor;
extern uint32_t g_tick;
#endif
