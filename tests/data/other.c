static int counter;
static struct {
  int x;
  int y;
} point;

int other(void) { return ++counter + point.x; }
