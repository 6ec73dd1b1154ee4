// The result displays after a refinement: the fitting table read back from
// the report and the fitting map drawn on its widget and saved to a file.
#include <QAbstractButton>
#include <QImage>
#include <QTableWidget>
#include <QTimer>

#include <cmath>

#include "GuiTestSupport.h"
#include "displays/FittingMapDlg.h"
#include "displays/FittingTableDlg.h"
#include "ui/LattrixApp.h"
#include "ui/MainFrame.h"

using namespace guitest;

namespace {

// The fields of the report's list of d-spacings, one entry per line,
// split here on their own from the report text.
QList<QStringList> ReportListRows(const QString& report, int count) {
  QList<QStringList> rows;
  const QStringList lines = report.split('\n');
  int at = -1;
  for (int i = 0; i < lines.size(); ++i) {
    if (lines[i].startsWith("List of d-spacings")) at = i + 3;  // dashes, column header
  }
  for (int i = 0; at >= 0 && i < count; ++i) rows.append(lines[at + i].split(' ', Qt::SkipEmptyParts));
  return rows;
}

QString ReportValue(const QString& report, const char* start) {
  for (const QString& line : report.split('\n')) {
    if (line.startsWith(start)) return line.split(' ', Qt::SkipEmptyParts).last();
  }
  return QString();
}

bool IsRgb(const QImage& image, int x, int y, int r, int g, int b) {
  const QColor c = image.pixelColor(x, y);
  return c.red() == r && c.green() == g && c.blue() == b;
}

}  // namespace

class FittingDisplays : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  void init();
  void cleanup();
  void commandsNeedARefinement();
  void tableShowsTheReportRowByRow();
  void tableOfAMissingOrCutReport();
  void mapOpensSwitchesTypeAndDraws();
  void mapOfAMissingReportDrawsTheEmptyBox();
  void mapSavesWhatIsShown();

 private:
  // A refinement of tests/gui/data/cubic.inp (ten reflections of a cubic
  // cell a = 5.4309 A, Cu Ka1 1.5405981 A), as the user runs it.
  void Refine();

  std::unique_ptr<ScratchDir> m_scratch;
  lattrix::RecordingSink m_sink;
  std::unique_ptr<CLattrixApp> m_app;
  CLattrixView* m_view = nullptr;
};

void FittingDisplays::init() {
  m_scratch = std::make_unique<ScratchDir>();
  m_sink = lattrix::RecordingSink();
  CLattrixView::SetSinkForNewViews(&m_sink);
  m_app = std::make_unique<CLattrixApp>();
  QVERIFY(m_app->InitInstance({DataFile("cubic.inp")}));
  CLattrixView::SetSinkForNewViews(nullptr);
  m_view = m_app->MainFrame()->View();
}

void FittingDisplays::cleanup() {
  m_app.reset();
  m_scratch.reset();
}

void FittingDisplays::Refine() {
  m_app->MainFrame()->Action("actionRefineExecute")->trigger();
  QVERIFY(m_sink.messages.empty());
  QVERIFY(m_view->job().m_bRefined);
}

void FittingDisplays::commandsNeedARefinement() {
  m_view->OnShowFittingTable();
  m_view->OnShowFittingFigure();
  QCOMPARE(m_sink.messages,
           (std::vector<std::string>{"Refinement not completed !!!", "Refinement not completed !!!"}));
  QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void FittingDisplays::tableShowsTheReportRowByRow() {
  Refine();
  const QString report = ReadFile(m_scratch->Path("Lattrix.out"));
  const QList<QStringList> fields = ReportListRows(report, 10);
  QCOMPARE(fields.size(), 10);
  const QStringList input = ReadFile(DataFile("cubic.inp")).split('\n');

  WithModal<CFittingTableDlg>([&] { m_view->OnShowFittingTable(); }, [&](CFittingTableDlg* dialog) {
    QCOMPARE(dialog->windowTitle(), QString("Refined Fitting Results"));
    QTableWidget* list = dialog->FitList();
    QCOMPARE(list->columnCount(), 13);
    QCOMPARE(list->horizontalHeaderItem(1)->text(), QString(" h"));
    QCOMPARE(list->columnWidth(8), 65);
    QCOMPARE(list->rowCount(), 10);
    const double lambda = 1.5405981;
    for (int r = 0; r < 10; ++r) {
      // Row number "%2d"; indices and input 2theta from the input file.
      const QStringList in = input[8 + r].split(' ', Qt::SkipEmptyParts);
      QCOMPARE(list->item(r, 0)->text(), QString::asprintf("%2d", r + 1));
      for (int c = 1; c <= 3; ++c) QCOMPARE(list->item(r, c)->text(), in[c - 1]);
      const QString twoTheta = QString::fromStdString(lattrix::Format("%8.4lf", in[3].toDouble()));
      QCOMPARE(list->item(r, 4)->text(), twoTheta);
      QCOMPARE(list->item(r, 5)->text(), twoTheta);
      // Columns 6 to 12 are the report's own fields 6 to 12.
      for (int c = 6; c <= 12; ++c) QCOMPARE(list->item(r, c)->text(), fields[r][c - 1]);
      QVERIFY(list->item(r, 12)->textAlignment() & Qt::AlignRight);
      // d-obs agrees with Bragg's law for the input 2theta.
      const double d = lambda / (2.0 * std::sin(0.5 * in[3].toDouble() * 0.0174532925));
      QVERIFY2(std::fabs(list->item(r, 9)->text().toDouble() - d) < 1e-5, qPrintable(list->item(r, 9)->text()));
    }
    QCOMPARE(dialog->SumDeltaEdit()->text(), ReportValue(report, "sum delta 2theta"));
    QCOMPARE(dialog->StdDeltaEdit()->text(), ReportValue(report, "s.d.delta 2theta"));
    QVERIFY(!dialog->SumDeltaEdit()->text().isEmpty());
    QVERIFY(dialog->SumDeltaEdit()->isReadOnly());
  });
  QVERIFY(m_sink.messages.empty());
}

void FittingDisplays::tableOfAMissingOrCutReport() {
  Refine();
  const double raw[2] = {28.4426, 47.3032};
  {
    CFittingTableDlg dialog(m_sink);
    dialog.m_strReportPath = m_scratch->Path("missing.out").toStdString();
    dialog.m_nReflections = 2;
    dialog.OnInitDialog();
    QCOMPARE(m_sink.messages, std::vector<std::string>{dialog.m_strReportPath + " not open !!!\nNo such file or directory"});
    QCOMPARE(dialog.FitList()->rowCount(), 0);
    QCOMPARE(dialog.FitList()->columnCount(), 13);
    QVERIFY(dialog.SumDeltaEdit()->text().isEmpty());
  }
  m_sink.messages.clear();
  {
    // The reflection section ends the file: its two rows stay empty.
    const QString cut = m_scratch->Path("cut.out");
    WriteFile(cut, "Input Reflection Data\n  h k l 2theta\n 1 1 1 28.4426\n 2 2 0 47.3032\n\n");
    CFittingTableDlg dialog(m_sink);
    dialog.m_strReportPath = cut.toStdString();
    dialog.m_nReflections = 2;
    std::copy(raw, raw + 2, dialog.m_dTwoThetaRaw);
    std::copy(raw, raw + 2, dialog.m_dTwoTheta);
    dialog.OnInitDialog();
    QCOMPARE(m_sink.messages, std::vector<std::string>{"List not open !!!"});
    QCOMPARE(dialog.FitList()->rowCount(), 2);
    QVERIFY(dialog.FitList()->item(1, 1)->text().isEmpty());
    QVERIFY(dialog.StdDeltaEdit()->text().isEmpty());
  }
}

void FittingDisplays::mapOpensSwitchesTypeAndDraws() {
  Refine();
  WithModal<CFittingMapDlg>([&] { m_view->OnShowFittingFigure(); }, [&](CFittingMapDlg* dialog) {
    QCOMPARE(dialog->windowTitle(), QString("Fiiting map"));
    QCOMPARE(dialog->m_map.m_nPoints, 10);
    QCOMPARE(dialog->m_map.m_nPlotType, 1);
    QVERIFY(dialog->TypeRadio(1)->isChecked());
  });
  QVERIFY(m_sink.messages.empty());

  CFittingMapDlg dialog(m_sink);
  dialog.m_map.m_nPoints = 10;
  dialog.m_map.m_nPlotType = 1;
  dialog.m_map.m_strReportPath = m_view->job().m_strReportPath;
  dialog.resize(600, 400);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QCOMPARE(dialog.size(), QSize(600, 400));

  // The button of type 3 lies between those of types 1 and 2.
  QVERIFY(dialog.TypeRadio(1)->y() < dialog.TypeRadio(3)->y());
  QVERIFY(dialog.TypeRadio(3)->y() < dialog.TypeRadio(2)->y());
  QCOMPARE(dialog.TypeRadio(3)->text(), QString(": d(obs) vs. d(cal)"));

  const std::string title1 = dialog.m_map.m_strPlotTitle;
  const std::string yTitle1 = dialog.m_map.m_strYTitle;
  ClickBox(dialog.TypeRadio(3));
  QCOMPARE(dialog.m_map.m_nPlotType, 3);
  QVERIFY(!dialog.TypeRadio(1)->isChecked());
  QVERIFY(dialog.m_map.m_strYTitle != yTitle1);
  ClickBox(dialog.TypeRadio(2));
  QCOMPARE(dialog.m_map.m_nPlotType, 2);
  ClickBox(dialog.TypeRadio(1));
  QCOMPARE(dialog.m_map.m_strPlotTitle, title1);
  QVERIFY(m_sink.messages.empty());

  // A 600 x 400 client area: W = 592, H = 392, so L = 592 / 6 = 98,
  // R = 15 * 592 / 16 = 555, T = 392 / 16 = 24, B = 11 * 392 / 16 = 269.
  const QImage image = dialog.MapArea()->grab().toImage();
  QCOMPARE(dialog.m_map.m_ptLowerLeft.x, 98);
  QCOMPARE(dialog.m_map.m_ptLowerLeft.y, 269);
  QCOMPARE(dialog.m_map.m_ptUpperRight.x, 555);
  QCOMPARE(dialog.m_map.m_ptUpperRight.y, 24);
  QVERIFY(IsRgb(image, 1, 1, 0, 0, 65));
  QVERIFY(IsRgb(image, 98, 269, 255, 255, 0));
  QVERIFY(IsRgb(image, 300, 269, 255, 255, 0));
  QVERIFY(IsRgb(image, 555, 24, 255, 255, 0));
  QVERIFY(IsRgb(image, 98, 60, 255, 255, 0));
  // The inside of the box is background but for ticks, the zero line and
  // the red discs of the reflections.
  int red = 0;
  for (int y = 25; y < 269; ++y)
    for (int x = 99; x < 555; ++x) red += IsRgb(image, x, y, 255, 0, 0) ? 1 : 0;
  QVERIFY2(red >= 10 * 9, qPrintable(QString::number(red)));

  // A larger window gives a larger map at the next paint.
  dialog.resize(800, 600);
  QCoreApplication::processEvents();
  const QImage larger = dialog.MapArea()->grab().toImage();
  QCOMPARE(dialog.m_map.m_ptLowerLeft.x, 792 / 6);
  QCOMPARE(dialog.m_map.m_ptLowerLeft.y, 11 * 592 / 16);
  QVERIFY(IsRgb(larger, 792 / 6, 11 * 592 / 16, 255, 255, 0));
}

void FittingDisplays::mapOfAMissingReportDrawsTheEmptyBox() {
  CFittingMapDlg dialog(m_sink);
  dialog.m_map.m_nPoints = 10;
  dialog.m_map.m_strReportPath = m_scratch->Path("missing.out").toStdString();
  dialog.resize(600, 400);
  dialog.show();
  QCOMPARE(m_sink.messages, std::vector<std::string>{dialog.m_map.m_strReportPath + " not open !!!\nNo such file or directory"});
  const QImage image = dialog.MapArea()->grab().toImage();
  QVERIFY(IsRgb(image, 98, 269, 255, 255, 0));
  QVERIFY(IsRgb(image, 300, 150, 0, 0, 65));
}

void FittingDisplays::mapSavesWhatIsShown() {
#ifndef LATTRIX_HAVE_PLOT
  QSKIP("built without the cairo map renderer");
#else
  Refine();
  CFittingMapDlg dialog(m_sink);
  dialog.m_map.m_nPoints = 10;
  dialog.m_map.m_strReportPath = m_view->job().m_strReportPath;
  dialog.resize(600, 400);
  dialog.show();
  QString path = m_scratch->Path("map.png");
  dialog.SetSaveFileDialog([&] { return path; });
  QTest::mouseClick(Find<QAbstractButton>(&dialog, "buttonSave"), Qt::LeftButton);
  QVERIFY(m_sink.messages.empty());
  // The file has the window's client size and the same layout, with the
  // map's origin at the image's corner.
  QImage saved(path);
  QCOMPARE(saved.size(), QSize(600, 400));
  QVERIFY(IsRgb(saved, 1, 1, 0, 0, 65));
  QVERIFY(IsRgb(saved, 98, 269, 255, 255, 0));
  QVERIFY(IsRgb(saved, 555, 24, 255, 255, 0));

  path = m_scratch->Path("map.svg");
  QTest::mouseClick(Find<QAbstractButton>(&dialog, "buttonSave"), Qt::LeftButton);
  QVERIFY(ReadFile(path).contains("<svg"));

  path = m_scratch->Path("map.txt");
  QTest::mouseClick(Find<QAbstractButton>(&dialog, "buttonSave"), Qt::LeftButton);
  QCOMPARE(m_sink.messages,
           std::vector<std::string>{"Unknown plot file type: " + path.toStdString() + " (use .png, .svg or .pdf)"});
  QVERIFY(!QFile::exists(path));

  // A cancelled file dialog writes nothing and says nothing.
  m_sink.messages.clear();
  path.clear();
  QTest::mouseClick(Find<QAbstractButton>(&dialog, "buttonSave"), Qt::LeftButton);
  QVERIFY(m_sink.messages.empty());
#endif
}

QTEST_MAIN(FittingDisplays)
#include "test_fitting_displays.moc"
