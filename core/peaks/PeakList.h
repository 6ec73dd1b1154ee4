// Peak lists as users have them: the table a peak-fitting program exported
// (positions, often with esd's, heights, widths; usually no h k l), a
// d-spacing list from a paper, or an indexed list from another program.
//
// One reader for every such text. A table with a header line has its
// columns recognised by name (any unit in brackets ignored); a list without
// one is "h k l value [esd]" or "value [esd]" per line. A value may carry
// its esd in parentheses, "39.7331(8)", the digits applying to its last
// decimals as in CIF. A line that does not read refuses the whole list with
// its line number: nothing is half read.
#pragma once

#include <string>
#include <vector>

#include "common/MessageSink.h"

namespace lattrix {

// What the values of a list are: 2theta in degrees, d in Angstrom, or the
// scattering vector Q = 2 pi / d in 1/Angstrom (not 1/d^2).
enum class PeakUnits { kTwoTheta, kD, kQ };

// "2theta", "d", "q"; false for another name.
bool ParsePeakUnits(const std::string& name, PeakUnits& out);
const char* PeakUnitsName(PeakUnits units);

struct Peak {
  int line = 0;           // line number in the text, from 1
  bool hasHkl = false;
  int h = 0, k = 0, l = 0;
  double value = 0.0;     // in the list's units
  double esd = 0.0;       // in the list's units; 0 when the list gives none
};

struct PeakList {
  PeakUnits units = PeakUnits::kTwoTheta;
  bool hasHkl = false;    // every peak has h k l
  bool hasHeader = false;
  // The recognised columns in the order of the table ("h", "k", "l", "hkl",
  // "2theta", "d", "q", "esd"), for a user to see what was read.
  std::vector<std::string> columns;
  std::vector<Peak> peaks;
};

// Reads a peak list from text; `name` names it in messages (a path, or
// "the pasted rows"). A list without a header takes its units from
// `listUnits`; a table's units come from its value column (2theta before d
// before Q when it has several: 2theta is what was measured). False after
// one message, leaving `out` as it was.
bool ReadPeakText(const std::string& text, const std::string& name, PeakUnits listUnits, PeakList& out,
                  MessageSink& sink);

// The same for a file ("<path> not open !!!" and the reason when it cannot
// be read).
bool ReadPeakFile(const std::string& path, PeakUnits listUnits, PeakList& out, MessageSink& sink);

// A peak's value and esd as 2theta in degrees for the wavelength in
// Angstrom (first-order propagation of the esd). False when the value has
// no 2theta at this wavelength (d below lambda / 2, Q above 4 pi / lambda).
bool PeakTwoTheta(const Peak& peak, PeakUnits units, double wavelength, double& twoTheta, double& esd);

}  // namespace lattrix
