// Any text written into a statement by the literal quoting reads back unchanged
// from a real database.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/store/database.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static crawlspect::Database* db = [] {
    auto* d = new crawlspect::Database;
    d->connect(":memory:");
    d->ensureSchema();
    return d;
  }();
  std::string text(reinterpret_cast<const char*>(data), size);
  // Statements are C strings: page texts never hold a NUL (they end at the first).
  text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
  db->execute("DELETE FROM LINKS;");
  db->execute("insert into LINKS (URL,LINK,FOLLOW,TYPE,ANCHOR) values (" + crawlspect::sqlQuote(text) + "," +
              crawlspect::sqlQuote(text) + ",'','','');");
  const auto result = db->query("SELECT * FROM LINKS where LINK=" + crawlspect::sqlQuote(text) + ";");
  if (result.rows.size() != 1 || result.text(0, "URL") != text) std::abort();
  return 0;
}
