// lattrix-refine --plot: the fitting map drawn by lattrix-plot, which stands
// beside this program, from the report just written (a refinement does not
// load cairo and its fonts).
#pragma once

#include <string>

#include "common/MessageSink.h"

namespace lattrix {

struct PlotRequest {
  std::string path;             // the image file; empty: no map
  int type = 1;                 // --plot-type
  int width = 600, height = 400;
  std::string style = "dark";   // --plot-style
};

// Runs lattrix-plot on the report of a job of `reflections` reflections;
// false (after a message when it cannot be started) when no map was drawn.
bool DrawMapOfReport(const std::string& reportPath, int reflections, const PlotRequest& plot, MessageSink& sink);

}  // namespace lattrix
