// Any body through the byte decoding of a fetched page: the result is always
// UTF-8 with CR LF line ends and no NUL.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/crawl/page_fetcher.h"
#include "core/platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text;
  try {
    text = crawlspect::decodePageBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const crawlspect::DecodeError&) {
    return 0;
  }
  if (!crawlspect::isValidUtf8(text)) std::abort();
  if (text.find('\0') != std::string::npos) std::abort();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) std::abort();
    if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) std::abort();
  }
  return 0;
}
