// The binding between the job and the form: shows a job on the form's
// widgets and gathers the form back into a job. The form never rounds the
// user's data: a field or cell whose text is still the one shown keeps the
// job's value at full precision; only an edited text is parsed (a decimal
// comma reads as a point), and one that is not a number is refused with a
// message naming it. Needs the widgets only, no window.
#pragma once

#include <QStringList>

#include <vector>

#include "calibration/Calibration.h"
#include "common/MessageSink.h"
#include "job/Job.h"

class QLineEdit;
class CJobForm;

class CFormBinding {
 public:
  explicit CFormBinding(CJobForm& form) : m_form(form) {}

  // The form's start: every row numbered, the silicon reference values,
  // the crystal systems in the combo box, and the job's modes and switch.
  void ShowDefaults(const lattrix::Job& job);
  // The job's modes, title, cell, known corrections and rows on the form;
  // the 2theta column shows each row's observation before any calibration.
  void ShowJob(const lattrix::Job& job);
  // The job's rows alone (h k l, observed 2theta, esd), the rows below
  // emptied: after its reflections were replaced by a peak list.
  void ShowReflections(const lattrix::Job& job);
  // Checks the button of correction mode `code` (1..5).
  void SetCorrection(int code);
  // Gathers the form into `job`. A refused field leaves the job as it was
  // (save that a form without a cell also marks it as not refined). The
  // Reflection List ends at its last filled row; an empty row above a
  // filled one is refused.
  bool CollectJob(lattrix::Job& job, lattrix::MessageSink& sink) const;
  // The silicon list as numbers, read only when the run calibrates: the
  // rows down to the first without an observed value.
  bool CollectSilicon(const lattrix::Job& job, lattrix::SiliconStandard& silicon,
                      lattrix::MessageSink& sink) const;
  // The refined values of `job` in Output Data, or none.
  void ShowResults(const lattrix::Job& job);
  void ClearResults();
  // Results of a job the form no longer shows: greyed, with a line that
  // says so; false shows them as the job's.
  void MarkResultsStale(bool stale);
  // File New: no title, cell, rows, observed silicon values, nor results;
  // the first crystal system and known corrections of zero.
  void ClearJob();

  // The cell fields the crystal system ties or fixes show their leader's
  // text or their fixed angle and cannot be edited; the free ones can.
  void FollowFreeCellFields();

  // The correction mode and the weighting the form's buttons select (the
  // given one when no button is checked).
  int FormCorrection(int current) const;
  int FormWeighting(int current) const;
  // The five weighting boxes act as one group: exactly `code` is checked.
  void SetWeighting(int code);
  bool InternalCalibration() const;
  // Reflection rows of the grid only (the job's rows move in the core):
  // an empty row in at `row` pushing the last one out, or `row` out and an
  // empty row in at the end; rows renumbered.
  void InsertEmptyRow(int row);
  void RemoveRow(int row);
  // The last row holds text: the grid cannot take another row.
  bool LastRowFilled() const;
  bool HasReflection() const;
  bool HasTitle() const;
  // Everything of the form the user can change, as texts to compare.
  QStringList FormState() const;
  // The form as FormState gave it (entries beyond the form's are ignored).
  void RestoreFormState(const QStringList& state);
  // Edits still open in the lists are stored (or, on File New, dropped).
  void CommitOpenEdits();
  void CloseOpenEdits();

 private:
  std::vector<QLineEdit*> ResultFields() const;
  void ShowModes(const lattrix::Job& job);
  void ShowKnownCorrections();
  void NumberRows();
  void ClearReflectionList();
  void ClearSiliconObserved();
  bool RowFilled(int row) const;
  bool CollectCell(const lattrix::Job& shown, lattrix::Job& job, lattrix::MessageSink& sink) const;
  bool CollectKnownCorrections(lattrix::Job& job, lattrix::MessageSink& sink) const;
  bool CollectReflections(const lattrix::Job& shown, lattrix::Job& job, lattrix::MessageSink& sink) const;
  bool CollectReflectionRow(int row, const lattrix::Job& shown, lattrix::Job& job, lattrix::MessageSink& sink) const;

  CJobForm& m_form;
  // The known corrections the fields were filled with, at full precision
  // (the job's corrections become refined values after a run).
  double m_dKnown[3] = {};
};
