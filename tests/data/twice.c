static int counter;
static struct {
  int x;
  int y;
} point;

int twice(void) { return ++counter + point.y; }
