#include "TrendCommand.h"

#include <cstdio>

#include "JsonResult.h"
#include "ResultFile.h"
#include "common/TextIO.h"
#include "results/CifWriter.h"

namespace lattrix {
int TrendQuantityOf(const TrendCommand& command) {
  const std::string& q = command.quantity;
  return q == "a" ? kSeriesA : q == "b" ? kSeriesB : q == "c" ? kSeriesC : kSeriesVolume;
}

bool RunTrendFit(const TrendCommand& command, const std::vector<TrendPoint>& points, const std::string& xName,
                 bool talk, MessageSink& sink) {
  TrendOptions options = command.options;
  options.length = TrendQuantityOf(command) != kSeriesVolume;
  const TrendFit fit = FitTrend(points, options);
  if (!fit.ok) {
    sink.Show(fit.message);
    return false;
  }
  if (talk) {
    std::string t = Format("Fit            : %s of %s against %s, %d points, %d degrees of freedom, chi2/dof %.3f\n",
                           TrendModelName(command.options.model), command.quantity.c_str(),
                           PrintableLine(xName).c_str(), fit.n, fit.dof, fit.chi2Reduced);
    for (size_t k = 0; k < fit.names.size(); ++k)
      t += Format("  %-6s = %s %s\n", fit.names[k].c_str(), ReadableValueWithSu(fit.values[k], fit.sigmas[k]).c_str(),
                  TrendParameterUnit(fit.names[k], true));
    std::fputs(t.c_str(), stdout);
  }
  return command.jsonPath.empty() || EmitResult(JsonTrendText(TrendModelName(command.options.model), command.quantity, xName, fit, points),
                                                      command.jsonPath, sink);
}

}  // namespace lattrix
