#ifndef SAMPLE_H
#define SAMPLE_H
#include <stdint.h>

typedef struct {
  uint8_t a;
  uint16_t b;
} Pair;

typedef struct {
  unsigned mode : 3;
  signed int level : 5;
  unsigned ready : 1;
  uint16_t word;
} Status;

extern int g_counter;
extern Pair g_pair;
#endif
