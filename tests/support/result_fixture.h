#pragma once
// A real project database in a temporary folder, filled through the program's
// own statements the way a crawl fills it, plus the internal URL list.
#include <string>

#include "core/crawl/internal_url_list.h"
#include "core/platform/loop_desktop.h"
#include "core/store/database.h"
#include "core/store/statements.h"
#include "temp_dir.h"

namespace testsupport {

struct ResultFixture {
  ResultFixture() {
    db.connect(dir.file("project.db"));
    db.ensureSchema();
  }

  // A page queued by link intake: PAGES row with its URL only.
  ResultFixture& queued(const std::string& url) {
    db.execute(crawlspect::sql::kInsertNewPage, {url});
    urls.appendIfNew(url);
    return *this;
  }
  // A page that was queued and then read.
  ResultFixture& read(const std::string& url, const std::string& title, const std::string& description) {
    queued(url);
    db.execute(crawlspect::sql::kUpdatePageFacts, {title, description, url});
    return *this;
  }
  ResultFixture& tag(const std::string& url, const std::string& tag, const std::string& value) {
    db.execute(crawlspect::sql::kInsertTag, {url, tag, value});
    return *this;
  }
  ResultFixture& link(const std::string& source, const std::string& target, const std::string& anchor,
                      const std::string& type = "Internal", const std::string& follow = "Follow") {
    db.execute(crawlspect::sql::kInsertLink, {source, target, follow, type, anchor});
    return *this;
  }

  std::vector<std::string> messageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : desktop.messages()) texts.push_back(m.text);
    return texts;
  }

  TempDir dir;
  crawlspect::Database db;
  crawlspect::LoopDesktop desktop;
  crawlspect::InternalUrlList urls;
};

}  // namespace testsupport
