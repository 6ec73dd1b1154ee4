// The batch command's table of the regression diagnostics: a header line,
// one line per reflection, then the core's summary. Values that are not
// defined print as "n/a"; a constant that does not move prints "-".
#pragma once

#include <string>

#include "diagnostics/Diagnostics.h"

namespace lattrix {

std::string DiagnosticsTable(const DiagnosticsResult& result);

}  // namespace lattrix
