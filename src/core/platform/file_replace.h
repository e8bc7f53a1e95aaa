#pragma once
// Replacing a file as a whole, so that a reader sees the old bytes or the new
// ones and never a half-written file.
#include <string>
#include <string_view>

namespace crawlspect {

// Writes bytes to a new file beside fileName and renames it over fileName.
// The new file takes the old one's mode; through a symbolic link the file it
// names is replaced and the link stays; a file that is read-only for us is
// left untouched, and so is everything else on failure. 0, or the errno of
// the failure.
int replaceFileContents(const std::string& fileName, std::string_view bytes);

}  // namespace crawlspect
