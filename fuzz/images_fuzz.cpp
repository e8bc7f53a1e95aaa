// Any page text through the image scan of the analysis window.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/analysis/page_analysis.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  crawlspect::listImages(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
