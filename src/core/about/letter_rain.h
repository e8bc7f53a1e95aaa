#pragma once
// The about box's rain of letters, as numbers: the window paints the cells
// each tick hands out (cell (column, row) is the 8 x 12 pixel rectangle at
// column * 8, row * 12) on its black background with a 12-pixel font.
#include <functional>
#include <vector>

namespace crawlspect {

struct Rgb {
  int red = 0;
  int green = 0;
  int blue = 0;
  bool operator==(const Rgb&) const = default;
};

struct DropColours {
  Rgb head;
  Rgb trail;
};

// level = brightness * 255 / 100; a colour of a level is (level * 150 / 255,
// level, level * 100 / 255); the head uses level, the trail level / 3.
DropColours dropColours(int brightness);

// The row erased under a drop: 40 rows above its head, wrapped into
// 0..matrixHeight by steps of matrixHeight + 1.
int eraseRow(int headRow, int matrixHeight);

struct RainDrop {
  int column = 0;
  int row = 0;         // the head, 0 .. matrixHeight + 1
  int speed = 1;       // moves one row every `speed` frames
  int brightness = 0;  // 0 .. 99
  char letter = ' ';
};

struct RainDraw {
  enum class Kind { EraseCell, Letter };
  Kind kind = Kind::EraseCell;
  int column = 0;
  int row = 0;
  Rgb colour;         // Letter only
  char letter = ' ';  // Letter only
};

class LetterRain {
 public:
  static constexpr int kCharWidth = 8;
  static constexpr int kCharHeight = 12;
  static constexpr int kMaxDrops = 5000;
  static constexpr int kTimerIntervalMs = 50;

  // random(n) gives a whole number from 0 to n - 1; a seeded engine by default.
  using Random = std::function<int(int n)>;
  explicit LetterRain(Random random = {});

  // Takes the window's outer size once, at creation, and sets the rain up.
  void start(int bitmapWidth, int bitmapHeight);
  // On creation and every resize (with the size taken at creation): a fresh
  // set of 2 x matrixWidth drops, never more than 5000, two to a column.
  void setup();
  // One timer tick: what to paint, in order. The window also fills itself
  // black on setup.
  std::vector<RainDraw> tick();

  int matrixWidth() const { return m_matrixWidth; }
  int matrixHeight() const { return m_matrixHeight; }
  long frame() const { return m_frame; }
  const std::vector<RainDrop>& drops() const { return m_drops; }

 private:
  int random(int n);
  void draw(RainDrop& drop, char letter, std::vector<RainDraw>& out) const;

  Random m_random;
  int m_bitmapWidth = 0;
  int m_bitmapHeight = 0;
  int m_matrixWidth = 0;
  int m_matrixHeight = 0;
  long m_frame = 0;
  std::vector<RainDrop> m_drops;
};

}  // namespace crawlspect
