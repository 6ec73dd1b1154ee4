// File > Refine series: asks for the job files and an optional x file,
// refines them on worker threads under a progress dialog that can cancel
// the jobs not yet started, and opens the series window.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

#include "common/MessageSink.h"
#include "series/SeriesRun.h"
#include "series/SeriesWindow.h"

class QProgressDialog;
class QWidget;

class CSeriesLauncher : public QObject {
  Q_OBJECT

 public:
  explicit CSeriesLauncher(QWidget* parent);
  ~CSeriesLauncher() override;

  // Refines the chosen files with the given correction mode and weighting
  // and without reports; messages (an x file that cannot be used) go to
  // sink, which must outlive the series window. Returns at once: the
  // series runs while the program stays responsive. Nothing happens while
  // a series is running.
  void Run(int correction, int weighting, lattrix::MessageSink& sink);

  bool Running() const { return m_run != nullptr; }
  // The window of the last finished series (nullptr once it is closed).
  CSeriesWindow* Window() const { return m_window; }

  // The file dialogs, replaceable so that tests need no modal dialog: the
  // job files (none: nothing is run), and the x file (empty: positions).
  void SetJobFilesDialog(std::function<QStringList()> dialog) { m_jobsDialog = std::move(dialog); }
  void SetXFileDialog(std::function<QString()> dialog) { m_xDialog = std::move(dialog); }

 private Q_SLOTS:
  void Poll();

 private:
  void Finish();

  QWidget* m_parent;
  std::unique_ptr<lattrix::SeriesRun> m_run;
  QPointer<QProgressDialog> m_progress;
  QTimer m_timer;
  QString m_xName;
  lattrix::MessageSink* m_sink = nullptr;
  QPointer<CSeriesWindow> m_window;
  bool m_polling = false;
  std::function<QStringList()> m_jobsDialog;
  std::function<QString()> m_xDialog;
};
