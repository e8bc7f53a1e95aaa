// Writes empty.db, the template every fresh project is copied from: the
// program's own tables, empty, in one self-contained file. Made at build time
// from the same schema the program falls back on, so the two cannot differ.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/store/database.h"

namespace fs = std::filesystem;

namespace {

void removeWithCompanions(const std::string& path) {
  std::error_code ec;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(path + suffix, ec);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.db\n", argv[0]);
    return 2;
  }
  const std::string out = argv[1];
  const std::string scratch = out + ".scratch";
  const std::string part = out + ".part";
  removeWithCompanions(scratch);
  removeWithCompanions(part);
  try {
    crawlspect::Database db;
    db.connect(scratch);
    db.executeScript(crawlspect::kProjectSchema);
    db.backupTo(part);
    db.disconnect();
  } catch (const crawlspect::DbError& e) {
    std::fprintf(stderr, "%s: %s\n", out.c_str(), e.what());
    removeWithCompanions(scratch);
    removeWithCompanions(part);
    return 1;
  }
  removeWithCompanions(scratch);
  std::error_code ec;
  fs::rename(part, out, ec);
  if (ec) {
    std::fprintf(stderr, "%s: %s\n", out.c_str(), ec.message().c_str());
    removeWithCompanions(part);
    return 1;
  }
  return 0;
}
