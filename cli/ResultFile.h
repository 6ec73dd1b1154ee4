// Where the batch command's results (JSON, CIF, the series table) go: a
// file, or standard output for "-".
#pragma once

#include <string>

#include "common/MessageSink.h"

namespace lattrix {

// Writes text to path (WriteTextFile), or to standard output when path is
// "-"; false after a message when it could not be written.
bool EmitResult(const std::string& text, const std::string& path, MessageSink& sink);

}  // namespace lattrix
