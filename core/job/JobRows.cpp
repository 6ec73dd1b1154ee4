#include "job/JobRows.h"

namespace lattrix {
namespace {

void CopyRow(Job& job, int to, int from) {
  job.m_nH[to] = job.m_nH[from];
  job.m_nK[to] = job.m_nK[from];
  job.m_nL[to] = job.m_nL[from];
  job.m_dTwoTheta[to] = job.m_dTwoTheta[from];
  job.m_dTwoThetaRaw[to] = job.m_dTwoThetaRaw[from];
  job.m_dWeight[to] = job.m_dWeight[from];
  job.m_dEsd[to] = job.m_dEsd[from];
}

void ClearRow(Job& job, int row) {
  SetReflection(job, row, 0, 0, 0, 0.0);
  job.m_dWeight[row] = 1.0;
  job.m_dEsd[row] = 0.0;
}

}  // namespace

bool InsertReflection(Job& job, int row) {
  const int count = job.m_nReflections;
  if (count < 0 || count >= kMaxReflections || row < 0 || row > count) return false;
  for (int i = count; i > row; --i) CopyRow(job, i, i - 1);
  ClearRow(job, row);
  job.m_nReflections = count + 1;
  return true;
}

bool DeleteReflection(Job& job, int row) {
  const int count = job.m_nReflections;
  if (count > kMaxReflections || row < 0 || row >= count) return false;
  for (int i = row; i + 1 < count; ++i) CopyRow(job, i, i + 1);
  ClearRow(job, count - 1);
  job.m_nReflections = count - 1;
  return true;
}

void SetReflection(Job& job, int row, int h, int k, int l, double twoTheta) {
  if (row < 0 || row >= kMaxReflections) return;
  job.m_nH[row] = h;
  job.m_nK[row] = k;
  job.m_nL[row] = l;
  job.m_dTwoThetaRaw[row] = twoTheta;
  job.m_dTwoTheta[row] = twoTheta;
}

}  // namespace lattrix
