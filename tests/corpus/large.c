#include <stdint.h>

/* Large enough that objdump prints its size, bound and member offsets in hexadecimal:
   the forms of four bytes. */
typedef struct {
  uint8_t data[65537];
  uint32_t crc;
  uint32_t valid : 1;
  uint32_t pages : 7;
} FlashPage;

FlashPage g_flashPage;

uint32_t largeObjects(void) {
  return g_flashPage.crc + g_flashPage.pages;
}
