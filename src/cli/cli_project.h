#pragma once
// A project session for a command without a window: a private data folder for
// the working file, the connection, a desktop whose messages go to stderr.
#include <iostream>
#include <string>

#include "core/crawl/internal_url_list.h"
#include "core/platform/loop_desktop.h"
#include "core/store/database.h"
#include "core/store/project_store.h"

namespace crawlspect::cli {

class CliProject {
 public:
  CliProject();
  ~CliProject();
  CliProject(const CliProject&) = delete;
  CliProject& operator=(const CliProject&) = delete;

 private:
  std::string m_folder;  // first: the store below is given it

 public:
  LoopDesktop desktop{&std::cerr};
  Database db;
  InternalUrlList list;
  ProjectStore store;
};

// empty.db beside the running program, or where the installed program keeps it.
std::string templatePath();

}  // namespace crawlspect::cli
