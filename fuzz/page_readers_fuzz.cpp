// Any page text through the page readers: every reader returns, and the one
// shared parse of the page step gives what each reader gives alone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/pagefacts/page_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const crawlspect::PageFacts facts = crawlspect::readPageFacts(text);
  if (facts.title != crawlspect::readTitle(text)) std::abort();
  if (facts.description != crawlspect::readMetaDescription(text)) std::abort();
  if (facts.h1 != crawlspect::readH1(text)) std::abort();
  if (facts.h2 != crawlspect::readH2(text)) std::abort();
  if (facts.h3 != crawlspect::readH3(text)) std::abort();
  crawlspect::scanTitle(text);
  return 0;
}
