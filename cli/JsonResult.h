// The whole result of a batch refinement as JSON (schema in docs/results.md).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/Diagnostics.h"
#include "engine/Refinement.h"
#include "job/Job.h"
#include "trend/TrendFit.h"

namespace lattrix {

// Inputs, refined cell, corrections, every row of the report's list,
// diagnostics and the messages shown during the run, as indented JSON
// ending in a newline. Numbers that are not finite are written as null.
// With a depth, the lines after the first start that many levels in (two
// spaces each), for an element of an array (JsonArrayElement).
std::string JsonResultText(const Job& job, const RefinementOutcome& outcome,
                           const DiagnosticsResult& diagnostics,
                           const std::vector<std::string>& warnings, int depth = 0);

// A job that was not refined: its file, its title when it was read, a null
// result and its messages. An undefined result (its report written, its
// numbers meaningless) says so in "status": "undefined".
std::string JsonRefusedText(const std::string& inputFile, const std::string& title,
                            const std::vector<std::string>& warnings, bool undefined = false, int depth = 0);

// One element of the JSON array of a series, after its "[": a comma unless
// it is the first, a line end, two spaces, then the element written with
// depth 1, without its final line end.
std::string JsonArrayElement(std::string_view element, bool first);

// A trend fit of a series (lattrix-refine --fit-json): the model, the
// fitted quantity, x's name, the parameters with s.u.'s, their covariance,
// chi2_reduced, n, dof, and every point with its fit, residual and, for an
// equation of state, its strain f and normalised pressure F.
std::string JsonTrendText(const std::string& model, const std::string& quantity, const std::string& xName,
                          const TrendFit& fit, const std::vector<TrendPoint>& points);

}  // namespace lattrix
