// The form and its job: what CollectJob counts and says, the weighting
// boxes as one group, Add and Delete with the rows' file values moving
// along, the silicon list and the calibration of edited and added rows.
#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QTest>

#include "GuiTestSupport.h"

using namespace guitest;

class Form : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    m_scratch = std::make_unique<ScratchDir>();
    m_view = std::make_unique<CLattrixView>();
    m_view->SetMessageSink(&m_sink);
    m_view->OnCreate();
    m_view->OnInitialUpdate();
    m_list = m_view->ReflectionList();
  }
  void cleanup() {
    m_view.reset();
    m_scratch.reset();
    m_sink = lattrix::RecordingSink();
  }

  // Every cell or field that is not one number (h, k, l: one whole number)
  // is refused at Execute with a message naming it; nothing is refined and
  // the job keeps its values.
  void refusalsNameTheCell_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("letters in h") << 1 << 1 << "abc" << "h of row 2 is not a whole number !!!";
    QTest::newRow("decimal l") << 2 << 3 << "1.5" << "l of row 3 is not a whole number !!!";
    QTest::newRow("empty 2theta") << 3 << 4 << "" << "2theta of row 4 is not a number !!!";
    QTest::newRow("2theta with a tail") << 0 << 4 << "28.44x" << "2theta of row 1 is not a number !!!";
    QTest::newRow("two numbers") << 0 << 4 << "28.4 1" << "2theta of row 1 is not a number !!!";
    QTest::newRow("gap above filled rows") << -1 << 3 << "" << "Row 4 of the Reflection List is empty, but rows below it are filled !!!";
    QTest::newRow("cell b") << -2 << 1 << "5,4x" << "b of the unit cell is not a number !!!";
  }
  void refusalsNameTheCell() {
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QVERIFY(m_view->OpenInputFile(DataFile("cubic.inp")));
    const lattrix::Job before = m_view->job();
    if (row == -1) {
      for (int c = 1; c <= 4; ++c) m_list->SetItemText(col, c, QString());
    } else if (row == -2) {
      static const char* const names[] = {"editCellA", "editCellB"};
      Find<QLineEdit>(m_view.get(), names[col])->setText(text);
    } else {
      m_list->SetItemText(row, col, text);
    }
    m_view->OnRefineExecute();
    QCOMPARE(m_sink.messages, std::vector<std::string>{message.toStdString()});
    QVERIFY(!m_view->job().m_bRefined);
    QCOMPARE(m_view->job().m_nReflections, before.m_nReflections);
    QCOMPARE(m_view->job().m_dCell[1], before.m_dCell[1]);
  }

  // Untouched cells keep the file's digits beyond the four shown; an edited
  // 2theta (with a decimal comma) becomes the row's observation, and blank
  // rows below the list are no reflections.
  void untouchedCellsKeepFullPrecision() {
    const QString path = m_scratch->Path("fine.inp");
    WriteFile(path, "fine\n2\n1.5405981 185.0\n7\n5.430912345 5.430912345 5.430912345 90 90 90\n3\n"
                    "1 1 1 28.442612345 1.0\n2 2 0 47.303212345 1.0\n3 1 1 56.122912345 1.0\n");
    QVERIFY(m_view->OpenInputFile(path));
    m_list->SetItemText(1, 4, " 47,31 ");
    QVERIFY(m_view->CollectJob());
    const lattrix::Job& job = m_view->job();
    QCOMPARE(job.m_nReflections, 3);
    QCOMPARE(job.m_dCell[0], 5.430912345);
    QCOMPARE(job.m_dTwoTheta[0], 28.442612345);
    QCOMPARE(job.m_dTwoThetaRaw[1], 47.31);
    QCOMPARE(job.m_dTwoTheta[1], 47.31);
    QCOMPARE(job.m_dTwoThetaRaw[2], 56.122912345);
  }

  void missingCellAndMissingReflections() {
    QVERIFY(m_view->OpenInputFile(DataFile("cubic.inp")));
    m_view->OnRefineExecute();
    QVERIFY(m_view->job().m_bRefined);
    // An empty "a :" refuses the job; the job keeps its values.
    Find<QLineEdit>(m_view.get(), "editCellA")->clear();
    QVERIFY(!m_view->CollectJob());
    QCOMPARE(m_sink.messages, std::vector<std::string>{"No cell data input !!!"});
    QVERIFY(!m_view->job().m_bRefined);
    QVERIFY(m_view->job().m_bInputLoaded);

    // No reflections left: the run refuses them.
    Find<QLineEdit>(m_view.get(), "editCellA")->setText("5.5");
    m_view->ClearReflectionList();
    m_view->OnRefineExecute();
    QCOMPARE(m_sink.messages.back(), std::string("No reflection data input !!!"));
    QCOMPARE(m_view->job().m_dCell[0], 5.5);
    QCOMPARE(m_view->job().m_nReflections, 0);
  }

  void weightingBoxesActAsOneGroup() {
    QCheckBox* unity = Find<QCheckBox>(m_view.get(), "checkUnity");
    QCheckBox* sinDelta = Find<QCheckBox>(m_view.get(), "checkSinDelta");
    ClickBox(sinDelta);
    QVERIFY(sinDelta->isChecked() && !unity->isChecked());
    QCOMPARE(m_view->job().m_nWeighting, int(lattrix::kSinDelta));
    ClickBox(sinDelta);  // clicking the checked box keeps it checked
    QVERIFY(sinDelta->isChecked());
    QCOMPARE(m_view->job().m_nWeighting, int(lattrix::kSinDelta));
  }

  void addAndDeleteMoveFileValuesWithTheirRows() {
    QVERIFY(m_view->OpenInputFile(DataFile("quartz_si.inp")));
    const lattrix::Job& job = m_view->job();
    m_view->OnAddRow();  // no selection: nothing happens
    QCOMPARE(job.m_nReflections, 5);

    m_list->SelectRow(1);
    m_view->OnAddRow();
    QCOMPARE(job.m_nReflections, 6);
    QCOMPARE(m_list->rowCount(), 50);
    QCOMPARE(m_list->GetItemText(1, 1), QString());
    QCOMPARE(m_list->GetItemText(2, 4), QString(" 26.6399"));
    for (int i = 0; i < 50; ++i) QCOMPARE(m_list->GetItemText(i, 0), QString::asprintf("%2d", i + 1));
    QCOMPARE(job.m_dTwoThetaRaw[2], 26.63987);

    // The new row gets a reflection; its form value stands in for a file value.
    m_list->SetItemText(1, 1, "2");
    m_list->SetItemText(1, 2, "0");
    m_list->SetItemText(1, 3, "0");
    m_list->SetItemText(1, 4, "42.5");
    QVERIFY(m_view->CollectJob());
    QCOMPARE(job.m_nReflections, 6);
    QCOMPARE(job.m_dTwoThetaRaw[1], 42.5);
    QCOMPARE(job.m_dTwoThetaRaw[2], 26.63987);

    // Delete the first row: everything moves up by one.
    m_list->SelectRow(0);
    m_view->OnDeleteRow();
    QCOMPARE(job.m_nReflections, 5);
    QCOMPARE(m_list->GetItemText(0, 4), QString("42.5"));
    QCOMPARE(job.m_dTwoThetaRaw[0], 42.5);
    QCOMPARE(job.m_dTwoThetaRaw[1], 26.63987);
    QCOMPARE(m_list->GetItemText(49, 0), QString("50"));
    QCOMPARE(m_list->GetItemText(49, 1), QString());
  }

  void addRefusedOnAFullList() {
    QVERIFY(m_view->OpenInputFile(DataFile("cubic.inp")));
    for (int i = 10; i < 50; ++i) {
      for (int c = 1; c <= 3; ++c) m_list->SetItemText(i, c, "1");
      m_list->SetItemText(i, 4, "30.0");
    }
    m_list->SelectRow(3);
    m_view->OnAddRow();
    QCOMPARE(m_sink.messages, std::vector<std::string>{"Reflection List is full (50 reflections) !!!"});
    QCOMPARE(m_list->GetItemText(49, 4), QString("30.0"));
    QCOMPARE(m_list->GetItemText(3, 4), QString(" 69.1306"));
    QVERIFY(m_view->CollectJob());
    QCOMPARE(m_view->job().m_nReflections, 50);
  }

  // Silicon rows 1 to 3 typed with reference 30, 50, 70 and observed 0.05
  // above (a row 5 below the empty row 4 must be ignored): the calibration
  // line is exactly 2theta - 0.05, so each 2theta drops by 0.05 from the
  // row's observation - the file's value, or the value typed into an edited
  // or added row, which is also its 2thorg from then on.
  void calibrationMapsEachRowsObservation() {
    QVERIFY(m_view->OpenInputFile(DataFile("quartz_si.inp")));
    CEditListCtrl* si = m_view->SiliconList();
    QVERIFY(si->isEnabled());
    QVERIFY(Find<QCheckBox>(m_view.get(), "checkInternalCalibration")->isChecked());
    for (int i = 0; i < 3; ++i) {
      si->SetItemText(i, 4, QString::asprintf("%d.0000", 30 + 20 * i));
      si->SetItemText(i, 5, QString::asprintf("%d.0500", 30 + 20 * i));
    }
    si->SetItemText(3, 5, QString());
    si->SetItemText(4, 5, "99.0");
    m_list->SetItemText(2, 4, "36.6");  // edited
    m_list->SetItemText(5, 1, "2");     // typed into an empty row
    m_list->SetItemText(5, 2, "0");
    m_list->SetItemText(5, 3, "0");
    m_list->SetItemText(5, 4, "42.5");
    m_view->OnRefineExecute();
    const lattrix::Job& job = m_view->job();
    QVERIFY(job.m_bRefined);
    QCOMPARE(job.m_nReflections, 6);
    QVERIFY(std::fabs(job.m_dTwoTheta[0] - (20.85912 - 0.05)) < 1e-9);
    QVERIFY(std::fabs(job.m_dTwoTheta[1] - (26.63987 - 0.05)) < 1e-9);
    QVERIFY(std::fabs(job.m_dTwoTheta[2] - (36.6 - 0.05)) < 1e-9);
    QVERIFY(std::fabs(job.m_dTwoTheta[5] - (42.5 - 0.05)) < 1e-9);
    QCOMPARE(job.m_dTwoThetaRaw[2], 36.6);
    QCOMPARE(job.m_dTwoThetaRaw[5], 42.5);
  }

  void fewerSiliconValuesClearTheRest() {
    QVERIFY(m_view->OpenInputFile(DataFile("quartz_si.inp")));
    CEditListCtrl* si = m_view->SiliconList();
    QCOMPARE(si->GetItemText(3, 5), QString(" 69.1749"));
    QVERIFY(m_view->OpenInputFile(DataFile("quartz_si3.inp")));
    QCOMPARE(si->GetItemText(2, 5), QString(" 56.1684"));
    QCOMPARE(si->GetItemText(3, 5), QString());
    // Rows 3 to 5 of the previous job are blank, numbers stay.
    QCOMPARE(m_list->GetItemText(2, 1), QString());
    QCOMPARE(m_list->GetItemText(2, 0), QString(" 3"));
  }

  void calibrationBoxSwitchesTheList() {
    QCheckBox* box = Find<QCheckBox>(m_view.get(), "checkInternalCalibration");
    QVERIFY(!box->isChecked() && !m_view->SiliconList()->isEnabled());
    ClickBox(box);
    QVERIFY(m_view->SiliconList()->isEnabled());
    QCOMPARE(m_view->job().m_bInternalStd, 1);
    m_view->OnFileNew();  // the box and the list stay as they are
    QVERIFY(box->isChecked() && m_view->SiliconList()->isEnabled());
    ClickBox(box);
    QVERIFY(!box->isChecked() && !m_view->SiliconList()->isEnabled());
    QCOMPARE(m_view->job().m_bInternalStd, 0);
  }

  void fileNewKeepsInstrument() {
    QVERIFY(m_view->OpenInputFile(DataFile("cubic.inp")));
    m_view->job().m_dWavelength = 0.709317;
    m_view->SetSaveChangesPrompt([](const QString&) { return int(QMessageBox::Discard); });
    m_view->OnFileNew();
    QCOMPARE(m_view->job().m_dWavelength, 0.709317);
    QCOMPARE(m_view->job().m_nReflections, 0);
    QCOMPARE(Find<QComboBox>(m_view.get(), "comboCrystalSystem")->currentIndex(), 0);
    QVERIFY(!m_view->job().m_bInputLoaded);
  }

 private:
  std::unique_ptr<ScratchDir> m_scratch;
  std::unique_ptr<CLattrixView> m_view;
  CEditListCtrl* m_list = nullptr;
  lattrix::RecordingSink m_sink;
};

QTEST_MAIN(Form)
#include "test_form.moc"
