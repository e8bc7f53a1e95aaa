#pragma once
// Text from the network or a project file, made safe for a terminal: an href
// holding ESC sequences or line breaks must not recolour the user's terminal
// or forge lines of the output.
#include <string>
#include <string_view>

namespace crawlspect::cli {

// Every C0 control character but tab, DEL and every C1 control (U+0080 to
// U+009F) written as a visible escape "\xHH" (e.g. ESC as "\x1b"); everything
// else, invalid UTF-8 included, byte for byte. Tab stays: the tables printed
// are tab-separated, and a tab cannot move the cursor anywhere harmful.
std::string terminalSafe(std::string_view text);

}  // namespace crawlspect::cli
