// Replacing a file without ever leaving it half written.
#pragma once

#include <string>

namespace lattrix {

// Writes text to path: into a temporary file beside it, then renamed over it,
// so that a failed write (a full disk, a missing directory) leaves any old
// file as it was. An existing file keeps its permissions; a symbolic link
// keeps pointing at the replaced file; a device or pipe is written into.
// False when the text could not be written completely.
bool ReplaceFile(const std::string& path, const std::string& text);

}  // namespace lattrix
