#pragma once

#include <QString>

#include "ui/toolkit/form.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;
class KeyList;
class ListGrid;

// The result window: pages read-only through the customers the last search found, one at a
// time, with its position within the result.
class frmSearchResult : public Form {
  Q_OBJECT
 public:
  frmSearchResult();
  ~frmSearchResult() override;

  // The strip across the top.
  QPushButton* cmdFirst;
  QPushButton* cmdPrevious;
  QPushButton* cmdNext;
  QPushButton* cmdLast;
  QLabel* Label7;
  QLabel* lblCurrent;
  QLabel* Label15;
  QLabel* lblTotal;
  QPushButton* cmdExit;
  QTabWidget* SSTab1;

  // "Individual" tab.
  QGroupBox* Frame1;
  QGroupBox* Frame2;
  QLabel *lblName1, *Label8, *Label3, *Label4, *Label5, *Label6, *Label10, *Label2, *Label9,
      *Label25, *Label1, *Label13, *Label11, *lbl, *Label14, *Label12;
  QLabel *Label17, *Label18, *Label19, *Label20, *Label21, *Label22, *Label24, *Label23;
  QLabel *lblName, *lblCusttype, *lblBirthyear, *lblBirthmonth, *lblBirthday, *lblCustId, *lblSex,
      *lblBlood, *lblBirthplace, *lblMarriage, *lblEmail, *lblTelHome, *lblCellphone, *lblOther,
      *lblAddHome, *lblCompany, *lblJobtype, *lblJobtitle, *lblJobgrade, *lblSalary, *lblTelcompany,
      *lblFaxcompany, *lblAddcompany;

  // The list tabs.
  ListGrid* msfgFamily;
  ListGrid* msfgInsurlife;
  ListGrid* msfgCompenlife;
  ListGrid* msfgContact;

  // Who handed the keys over: the search window or the schedule.
  enum class Source { Search, Schedule };

  // What the other windows ask of this one. ShowKeys makes these keys the result and shows the
  // window on the entry at `position` (1-based); an open window starts over on them, so it never
  // pages beyond the new result. Exit hands back to the search window only when it gave the keys.
  static void ShowKeys(KeyList keys, Source source, int position = 1);

  // Position of the shown customer in ResultCIDs (1-based) and its key.
  int ResultPos = 0;
  QString CurrentCID;
  // The statements last built by ShowResultCustomer.
  QString SqlCustomer, SqlFamily, SqlInsurance, SqlCompensate, SqlContact;

  void cmdFirst_Click();
  void cmdPrevious_Click();
  void cmdNext_Click();
  void cmdLast_Click();
  void cmdExit_Click();

 protected:
  void Form_Load() override;
  void QueryClose() override;
  void Recover() override;

 private:
  // Starts over on the current hand-over (ResultCIDs, ResultCount) as if freshly loaded: a new
  // result replaced the old one under the open window.
  void Restart();
  void ShowCurrentResult();
  void ShowResultCustomer(const QString& key);
  void ShowEntry();
  // Writes a value label's text; a screen reader hears it after the label's caption.
  static void SetValue(QLabel* label, const QString& text);
  // Works out, once, how far each value label may grow and where its text starts.
  void FitValueLabels();

  Source m_handedOverBy = Source::Search;
};
