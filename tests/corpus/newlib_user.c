/* A program that uses newlib's stdio, malloc and string functions. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef struct {
  char name[12];
  unsigned score;
} Entry;

Entry g_table[3];
char g_buffer[32];
static char* s_heapCopy;

int main(void) {
  strcpy(g_table[0].name, "alpha");
  g_table[0].score = (unsigned)strlen(g_table[0].name);
  snprintf(g_buffer, sizeof g_buffer, "%s:%u", g_table[0].name, g_table[0].score);
  s_heapCopy = malloc(strlen(g_buffer) + 1);
  if (s_heapCopy != NULL) memcpy(s_heapCopy, g_buffer, strlen(g_buffer) + 1);
  printf("%s\n", s_heapCopy);
  free(s_heapCopy);
  return 0;
}
