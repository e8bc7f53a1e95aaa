#include "cli/cli_project.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>

#include "core/platform/data_folder.h"

namespace crawlspect::cli {

namespace fs = std::filesystem;

namespace {

std::string makePrivateFolder() {
  std::string pattern = (fs::temp_directory_path() / "crawlspect-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("Cannot create a folder for the working project file");
  return pattern;
}

}  // namespace

std::string templatePath() { return programFilePath(executableFolder(), kTemplateFileName); }

CliProject::CliProject() : m_folder(makePrivateFolder()), store(db, desktop, m_folder, templatePath()) {
  std::mt19937 random(std::random_device{}());
  store.chooseWorkingFile(random);
}

CliProject::~CliProject() {
  store.close();
  std::error_code ec;
  fs::remove_all(m_folder, ec);
}

}  // namespace crawlspect::cli
