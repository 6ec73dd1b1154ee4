#include "series/SeriesLauncher.h"

#include <QProgressDialog>
#include <QWidget>

#include "series/SeriesTable.h"
#include "series/SeriesWindow.h"
#include "ui/FileDialogs.h"
#include "ui/QtText.h"

CSeriesLauncher::CSeriesLauncher(QWidget* parent) : QObject(parent), m_parent(parent) {
  setObjectName("seriesLauncher");
  m_timer.setInterval(50);
  connect(&m_timer, &QTimer::timeout, this, &CSeriesLauncher::Poll);
}

CSeriesLauncher::~CSeriesLauncher() = default;

void CSeriesLauncher::Run(int correction, int weighting, lattrix::MessageSink& sink) {
  if (Running()) return;
  const QStringList files =
      m_jobsDialog ? m_jobsDialog()
                   : AskOpenPaths(m_parent, QStringLiteral("Refine series: job files"), QString::fromLatin1(kJobFileFilter));
  if (files.isEmpty()) return;
  const QString xFile =
      m_xDialog ? m_xDialog()
                : AskOpenPath(m_parent,
                              QStringLiteral("x values (optional): a CSV file,NAME[,s_NAME]; "
                                             "Cancel to plot against the job's position"),
                              QString::fromLatin1(kCsvFileFilter));
  lattrix::SeriesAxis axis;
  if (!xFile.isEmpty() && !lattrix::ReadSeriesAxis(PathBytes(xFile), axis, sink)) return;
  m_xName = QString::fromStdString(axis.name);
  m_sink = &sink;

  std::vector<std::string> paths;
  for (const QString& file : files) paths.push_back(PathBytes(file));
  lattrix::RunChoices choices;
  choices.correction = correction;
  choices.weighting = weighting;
  m_run = std::make_unique<lattrix::SeriesRun>(lattrix::PlanSeries(paths, std::string(), xFile.isEmpty() ? nullptr : &axis),
                                               choices);
  m_progress = new QProgressDialog(QStringLiteral("Refining %1 job files...").arg(files.size()), QStringLiteral("Cancel"),
                                   0, files.size(), m_parent);
  m_progress->setObjectName("seriesProgress");
  m_progress->setWindowModality(Qt::WindowModal);
  m_progress->setMinimumDuration(500);
  connect(m_progress, &QProgressDialog::canceled, this, [this] {
    if (m_run) m_run->Cancel();
  });
  m_run->Start();
  m_timer.start();
}

void CSeriesLauncher::Poll() {
  // A modal progress dialog handles events inside setValue: no second poll
  // may start there.
  if (m_polling || !m_run) return;
  m_polling = true;
  if (m_progress && !m_progress->wasCanceled()) m_progress->setValue(static_cast<int>(m_run->Finished()));
  if (m_run->WaitFor(std::chrono::milliseconds(0))) Finish();
  m_polling = false;
}

void CSeriesLauncher::Finish() {
  m_timer.stop();
  std::vector<lattrix::SeriesRow> rows = m_run->Wait();
  m_run.reset();
  if (m_progress) m_progress->deleteLater();
  auto* window = new CSeriesWindow(std::move(rows), m_xName, *m_sink, m_parent);
  window->setAttribute(Qt::WA_DeleteOnClose);
  m_window = window;
  window->show();
}
