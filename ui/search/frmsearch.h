#pragma once

#include <QString>
#include <memory>

#include "ui/toolkit/form.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Connection;

// The search window: nine criteria, each "NA" (no condition) until the agent sets it, and the
// buttons Search, Reset and Exit. It keeps a database connection of its own.
class frmSearch : public Form {
  Q_OBJECT
 public:
  frmSearch();
  ~frmSearch() override;

  // Criteria.
  QLineEdit* txtCustname;
  QComboBox* cmbCustsex;
  QComboBox* cmbCusttype;
  QLineEdit* txtAddHome;
  QComboBox* cmbBirthmonth;
  QComboBox* cmbJobtype;
  QLineEdit* txtAddoffice;
  QComboBox* cmbSalary;
  QComboBox* cmbMarriage;

  // Captions.
  QLabel* Label1;
  QLabel* Label2;
  QLabel* lbl;
  QLabel* Label6;
  QLabel* Label3;
  QLabel* Label7;
  QLabel* Label8;
  QLabel* Label5;
  QLabel* Label9;

  // Buttons.
  QPushButton* cmdStart;
  QPushButton* Command1;
  QPushButton* cmdEnd;

  // The fragment last built for each criterion, and the last search statement.
  QString CondName, CondSex, CondType, CondAddHome, CondBirthmonth, CondJobtype, CondAddOffice,
      CondSalary, CondMarriage;
  QString SqlSearch;

  void cmdStart_Click();
  void Command1_Click();
  void cmdEnd_Click();

  // What the other windows ask of this one. OpenBeside shows the window, a newly opened one
  // beside `window` where the screen allows. ResultsClosed: the result window of this window's
  // search has closed, so a new search starts with Reset (nothing when this window is closed).
  static void OpenBeside(const QWidget& window);
  static void ResultsClosed();

  // The window's own connection, made (unopened) on first use.
  Connection& SearchConnection();

 protected:
  void Form_Load() override;
  // The title bar's close leaves the way Exit does.
  void QueryClose() override;

 private:
  std::unique_ptr<Connection> m_searchConnection;
};
