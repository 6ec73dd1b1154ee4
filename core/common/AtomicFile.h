// Replacing a file without ever leaving it half written.
#pragma once

#include <string>

#include "common/MessageSink.h"

namespace lattrix {

// Writes text to path: into a temporary file beside it, then renamed over it,
// so that a failed write (a full disk, a missing directory) leaves any old
// file as it was. An existing file keeps its permissions; a symbolic link
// keeps pointing at the replaced file; a device or pipe is written into.
// False when the text could not be written completely; errno then holds
// the system's reason.
bool ReplaceFile(const std::string& path, const std::string& text);

// ReplaceFile, with the message "<path> cannot be written !!!" and the
// system's reason when it fails (for results such as CIF and JSON).
bool WriteTextFile(const std::string& text, const std::string& path, MessageSink& sink);

}  // namespace lattrix
