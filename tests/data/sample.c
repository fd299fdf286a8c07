#include "sample.h"

int g_counter = 5;
Pair g_pair;
Status s_status;
int m[3][4];
typedef int row[2];
row rows[3];
Pair pairs[2];
volatile uint32_t g_volatile;
const uint8_t g_table[4] = {1, 2, 3, 4};
enum Mode { MODE_OFF, MODE_ON = 7 } g_mode;
Pair* g_next;
union Word {
  uint32_t all;
  uint8_t bytes[4];
} g_word;
static int counter;

void tick(void) {
  static int count;
  count++;
  counter++;
}

int main(void) {
  tick();
  return g_pair.a + m[1][2] + counter + g_table[1] + rows[1][1] + (int)g_mode;
}
