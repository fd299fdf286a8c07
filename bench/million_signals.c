/* One million signals: an array of 250,000 records of four members each. */
#include <stdint.h>

typedef struct {
  uint32_t timestamp;
  int16_t value;
  uint8_t channel;
  uint8_t flags;
} Record;

Record g_records[250000];

int main(void) { return g_records[1].value; }
