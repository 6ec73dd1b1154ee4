// The form and its job: what CollectJob counts and says, the weighting
// boxes as one group, Add and Delete with the rows' file values moving
// along, the silicon list and the calibration of edited and added rows.
#include <QCheckBox>
#include <QComboBox>
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

  void gapRowEndsTheList() {
    QVERIFY(m_view->OpenInputFile(DataFile("cubic.inp")));
    // Rows 1 to 3 filled, row 4 empty, row 5 filled: three reflections.
    m_list->SetItemText(3, 1, QString());
    QVERIFY(m_view->CollectJob());
    QCOMPARE(m_view->job().m_nReflections, 3);
  }

  void nonNumericHStillCounts() {
    QVERIFY(m_view->OpenInputFile(DataFile("cubic.inp")));
    m_list->SetItemText(1, 1, "x");
    m_list->SetItemText(1, 2, "7");
    QVERIFY(m_view->CollectJob());
    QCOMPARE(m_view->job().m_nReflections, 10);
    QCOMPARE(m_view->job().m_nH[1], 2);  // kept from the file
    QCOMPARE(m_view->job().m_nK[1], 7);
  }

  void missingCellAndMissingReflections() {
    QVERIFY(m_view->OpenInputFile(DataFile("cubic.inp")));
    m_view->OnRefineExecute();
    QVERIFY(m_view->job().m_bRefined);
    // An empty "a :" stops after correction, weighting, title and system.
    ClickBox(Find<QCheckBox>(m_view.get(), "checkDelta2"));
    Find<QComboBox>(m_view.get(), "comboCrystalSystem")->setCurrentIndex(2);
    Find<QLineEdit>(m_view.get(), "editTitle")->setText("changed");
    Find<QLineEdit>(m_view.get(), "editCellA")->clear();
    QVERIFY(!m_view->CollectJob());
    QCOMPARE(m_sink.messages, std::vector<std::string>{"No cell data input !!!"});
    QCOMPARE(m_view->job().m_nWeighting, int(lattrix::kDelta2Theta));
    QCOMPARE(m_view->job().m_nCrystalSystem, int(lattrix::kOrthorhombic));
    QCOMPARE(m_view->job().m_strTitle, std::string("changed"));
    QVERIFY(!m_view->job().m_bRefined);
    QVERIFY(m_view->job().m_bInputLoaded);

    // An empty first h: the cell is taken, no reflections.
    Find<QLineEdit>(m_view.get(), "editCellA")->setText("5.5");
    m_list->SetItemText(0, 1, QString());
    QVERIFY(!m_view->CollectJob());
    QCOMPARE(m_sink.messages.back(), std::string("No reflection data input !!!"));
    QCOMPARE(m_view->job().m_dCell[0], 5.5);
    QCOMPARE(m_view->job().m_nReflections, 0);
    QVERIFY(!m_view->job().m_bRefined);
    QVERIFY(m_view->job().m_bInputLoaded);
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
    QVERIFY(job.m_bTwoThetaFromForm[1]);
    QVERIFY(!job.m_bTwoThetaFromForm[2]);

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
      m_list->SetItemText(i, 1, "1");
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
  // line is exactly 2theta - 0.05, so each 2theta drops by 0.05 from its
  // source value - the file's five-decimal value, or the form value of an
  // edited or added row.
  void calibrationUsesFileOrFormValues() {
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
    QVERIFY(m_view->CollectJob());
    const lattrix::Job& job = m_view->job();
    QCOMPARE(job.m_nReflections, 6);
    QVERIFY(std::fabs(job.m_dTwoTheta[0] - (20.85912 - 0.05)) < 1e-9);
    QVERIFY(std::fabs(job.m_dTwoTheta[1] - (26.63987 - 0.05)) < 1e-9);
    QVERIFY(std::fabs(job.m_dTwoTheta[2] - (36.6 - 0.05)) < 1e-9);
    QVERIFY(std::fabs(job.m_dTwoTheta[5] - (42.5 - 0.05)) < 1e-9);
    QCOMPARE(job.m_dTwoThetaRaw[2], 36.54366);  // 2thorg stays the file's
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
