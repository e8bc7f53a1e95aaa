#include "about/letter_rain.h"

#include <algorithm>
#include <memory>
#include <random>

namespace crawlspect {

namespace {

constexpr const char* kLetters = "zor";
constexpr int kTrailGap = 40;

Rgb colourOfLevel(int level) { return {level * 150 / 255, level, level * 100 / 255}; }

}  // namespace

DropColours dropColours(int brightness) {
  const int level = brightness * 255 / 100;
  return {colourOfLevel(level), colourOfLevel(level / 3)};
}

int eraseRow(int headRow, int matrixHeight) {
  int row = headRow - kTrailGap;
  const int step = std::max(matrixHeight + 1, 1);
  while (row < 0) row += step;
  return row;
}

LetterRain::LetterRain(Random random) : random_(std::move(random)) {
  if (!random_) {
    auto engine = std::make_shared<std::mt19937>(std::random_device{}());
    random_ = [engine](int n) { return std::uniform_int_distribution<int>(0, n - 1)(*engine); };
  }
}

int LetterRain::random(int n) { return n <= 1 ? 0 : random_(n); }

void LetterRain::start(int bitmapWidth, int bitmapHeight) {
  frame_ = 0;
  bitmapWidth_ = bitmapWidth;
  bitmapHeight_ = bitmapHeight;
  setup();
}

void LetterRain::setup() {
  matrixWidth_ = std::max(bitmapWidth_ / kCharWidth, 0);
  matrixHeight_ = std::max(bitmapHeight_ / kCharHeight, 0);
  drops_.clear();
  const int count = std::min(2 * matrixWidth_, kMaxDrops);
  drops_.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    RainDrop d;
    d.column = i % matrixWidth_;
    d.row = random(matrixHeight_);
    d.speed = 1 + random(3);
    d.brightness = random(100);
    drops_.push_back(d);
  }
}

void LetterRain::draw(RainDrop& drop, char letter, std::vector<RainDraw>& out) const {
  drop.letter = letter;
  out.push_back({RainDraw::Kind::EraseCell, drop.column, eraseRow(drop.row, matrixHeight_), {}, ' '});
  const DropColours colours = dropColours(drop.brightness);
  if (drop.row > 0) out.push_back({RainDraw::Kind::Letter, drop.column, drop.row - 1, colours.trail, letter});
  out.push_back({RainDraw::Kind::Letter, drop.column, drop.row, colours.head, letter});
}

std::vector<RainDraw> LetterRain::tick() {
  std::vector<RainDraw> out;
  out.reserve(drops_.size() * 3);
  for (RainDrop& drop : drops_) {
    draw(drop, kLetters[random(3)], out);
    if (frame_ % drop.speed == 0) {
      ++drop.row;
      if (drop.row > matrixHeight_ + 1) {
        drop.row = 0;
        drop.speed = 1 + random(3);
        drop.brightness = random(100);
      }
    }
  }
  ++frame_;
  return out;
}

}  // namespace crawlspect
