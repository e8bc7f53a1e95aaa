#include "core/about/letter_rain.h"

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

LetterRain::LetterRain(Random random) : m_random(std::move(random)) {
  if (!m_random) {
    auto engine = std::make_shared<std::mt19937>(std::random_device{}());
    m_random = [engine](int n) { return std::uniform_int_distribution<int>(0, n - 1)(*engine); };
  }
}

int LetterRain::random(int n) { return n <= 1 ? 0 : m_random(n); }

void LetterRain::start(int bitmapWidth, int bitmapHeight) {
  m_frame = 0;
  m_bitmapWidth = bitmapWidth;
  m_bitmapHeight = bitmapHeight;
  setup();
}

void LetterRain::setup() {
  m_matrixWidth = std::max(m_bitmapWidth / kCharWidth, 0);
  m_matrixHeight = std::max(m_bitmapHeight / kCharHeight, 0);
  m_drops.clear();
  const int count = std::min(2 * m_matrixWidth, kMaxDrops);
  m_drops.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    RainDrop d;
    d.column = i % m_matrixWidth;
    d.row = random(m_matrixHeight);
    d.speed = 1 + random(3);
    d.brightness = random(100);
    m_drops.push_back(d);
  }
}

void LetterRain::draw(RainDrop& drop, char letter, std::vector<RainDraw>& out) const {
  drop.letter = letter;
  out.push_back({RainDraw::Kind::EraseCell, drop.column, eraseRow(drop.row, m_matrixHeight), {}, ' '});
  const DropColours colours = dropColours(drop.brightness);
  if (drop.row > 0) out.push_back({RainDraw::Kind::Letter, drop.column, drop.row - 1, colours.trail, letter});
  out.push_back({RainDraw::Kind::Letter, drop.column, drop.row, colours.head, letter});
}

std::vector<RainDraw> LetterRain::tick() {
  std::vector<RainDraw> out;
  out.reserve(m_drops.size() * 3);
  for (RainDrop& drop : m_drops) {
    draw(drop, kLetters[random(3)], out);
    if (m_frame % drop.speed == 0) {
      ++drop.row;
      if (drop.row > m_matrixHeight + 1) {
        drop.row = 0;
        drop.speed = 1 + random(3);
        drop.brightness = random(100);
      }
    }
  }
  ++m_frame;
  return out;
}

}  // namespace crawlspect
