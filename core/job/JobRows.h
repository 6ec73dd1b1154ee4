// The reflections of a job as the rows of a list that the user edits.
//
// What belongs to a row moves with it: its h k l, its observed 2theta
// (m_dTwoThetaRaw, as read from the file or typed; the 2thorg of the
// report), the 2theta it is refined with (m_dTwoTheta, the observed value
// after any calibration) and its weight.
#pragma once

#include "job/Job.h"

namespace lattrix {

// Inserts an empty reflection (0 0 0, 2theta 0, weight 1) before row, 0 to
// m_nReflections; the rows from there move down one. False, changing
// nothing, when the job already holds kMaxReflections or row is outside.
bool InsertReflection(Job& job, int row);

// Deletes reflection row (0 to m_nReflections - 1); the rows below move up
// and the freed last row is emptied. False, changing nothing, for a row
// outside the list.
bool DeleteReflection(Job& job, int row);

// Sets row's indices and its observed 2theta as the user gave them: the
// value is the row's observation from then on (2thorg, del2th, dobs, d-dif,
// the calibration's source), and the value refined until a calibration
// maps it.
void SetReflection(Job& job, int row, int h, int k, int l, double twoTheta);

}  // namespace lattrix
