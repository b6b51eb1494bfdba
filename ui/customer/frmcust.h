#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>
#include <vector>

#include "ui/customer/storedcustomer.h"
#include "ui/toolkit/form.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class CellEditor;
class FindBox;
class KeyedToolBar;
class ListGrid;
class Recordset;

// The customer window: one customer at a time with its personal and company data on the first
// tab and its four lists (family, insurance, compensation, contact) in grids on the others.
// The toolbar pages through the customers and runs the commands new, modify, save, delete,
// exit and search; a group of further commands (import, export, backup) stands right of them,
// and the quick find box at the right end.
class frmCust : public Form {
  Q_OBJECT
 public:
  frmCust();
  ~frmCust() override;

  KeyedToolBar* Toolbar1;
  QLabel* Label6;
  QTabWidget* SSTab1;

  // Tab "Individual".
  QGroupBox* Frame1;
  QGroupBox* Frame2;
  QLineEdit* txtName;
  QLineEdit* txtCID;
  QComboBox* cmbCusttype;
  QComboBox* cmbBirthyear;
  QComboBox* cmbBirthmonth;
  QComboBox* cmbBirthday;
  QComboBox* cmbMarriage;
  QComboBox* cmbSex;
  QComboBox* cmbBlood;
  QLineEdit* txtBirthplace;
  QLineEdit* txtCustId;
  QLineEdit* txtEmail;
  QLineEdit* txtTelHome;
  QLineEdit* txtCellphone;
  QLineEdit* txtOther;
  QLineEdit* txtAddHome;
  QLineEdit* txtCompany;
  QComboBox* cmbJobtype;
  QLineEdit* txtJobtitle;
  QComboBox* cmbSalary;
  QComboBox* cmbJobgrade;
  QLineEdit* txtTelcompany;
  QLineEdit* txtFaxcompany;
  QLineEdit* txtAddcompany;

  // The list tabs: a grid and its floating cell editor each.
  ListGrid* msfgFamily;
  ListGrid* msfgInsurlife;
  ListGrid* msfgCompenlife;
  ListGrid* msfgContact;
  CellEditor* txtInput;
  CellEditor* txtInputInsur;
  CellEditor* txtInputCom;
  CellEditor* txtInputCon;

  // Form-level state.
  int FamilyRow = 0;
  int InsuranceRow = 0;
  int ContactRow = 0;
  int CompensateRow = 0;
  bool NewMode = false;
  bool ModifyMode = false;
  QString SqlFamily;
  QString SqlInsurance;
  QString SqlCompensate;
  QString SqlContact;

  // The window's routines.
  QList<QPair<QString, QWidget*>> CustomerFields() const;
  void ShowCustomer();
  void SetInputsEnabled();
  void UpdateNavigationButtons();
  void UpdateEditButtons();
  void ShowCellEditor(int row, int col, const QString& listKey);
  // Writes the window's customer and its lists in one transaction; false (nothing written,
  // the reason shown) when it could not. A customer someone else changed or deleted after the
  // window showed it is not overwritten: the window then shows what is stored and leaves the
  // modify mode.
  bool SaveCustomer();

  // What the other windows ask of this one: stores a version of a customer from its history
  // (`state`, its key included) as a save does, compared with `read`, the customer as the asking
  // window read it; without a customer row in `read`, brings the customer back as a new one
  // under `key`. A
  // version without a customer (before the customer was added) deletes it. True when stored;
  // otherwise the window has said why.
  bool RestoreCustomer(const QByteArray& state, const StoredCustomer& read, const QString& key);
  // The key a deleted customer comes back under: its own, or, when another customer holds it
  // now, the first free "key (2)", "key (3)", ... if the agent agrees (else empty).
  static QString KeyForRestore(const QString& key);

  // Event handlers.
  void Toolbar1_ButtonClick(const QString& key);

  // The command group right of the documented buttons, left to right: each button's key, its
  // shortcut and the routine it runs. A further button is one more entry here.
  struct Command {
    const char* key;
    QKeySequence shortcut;
    void (frmCust::*run)();
  };
  static const QList<Command>& Commands();
  void msfgFamily_Click();
  void msfgInsurlife_Click();
  void msfgCompenlife_Click();
  void msfgContact_Click();
  void txtInput_Change();
  void txtInputInsur_Change();
  void txtInputCom_Change();
  void txtInputCon_Change();

 protected:
  void Form_Load() override;
  // The title bar's close is the "exit" command.
  void QueryClose() override;
  void Recover() override;

 private:
  struct List;

  // Fills the toolbar with its buttons.
  void BuildToolbar();
  void ConnectHandlers();

  List* FindList(const QString& listKey);
  void GridClick(List& list);
  void FollowServedCell(List& list);
  void PrepareGrids();
  void Navigate(const QString& key);
  void NewCommand();
  void ModifyCommand();
  void SaveCommand();
  void DeleteCommand();
  void ExitCommand();
  void SearchCommand();
  void ScheduleCommand();
  // Prints the shown customer as saved (print preview, print dialog, PDF).
  void PrintCommand();
  void ImportFiles();
  void ExportFiles();
  void BackupDatabase();
  // The history window of the customer shown.
  void HistoryCommand();
  // Right after a save or delete: takes it back (a restore of the state before it).
  void UndoCommand();
  // The "Finish" report of a command group job, saying so when the window holds unsaved input.
  void ReportJob(const QString& what);
  // After a save refused because someone else changed or deleted the customer: shows what is
  // stored now (for a deleted customer, the first one), out of the modify mode, then tells why.
  void ShowStoredInstead(bool deleted);

  QList<QWidget*> Inputs() const;
  std::vector<List> m_lists;
  // The quick find box at the toolbar's right end.
  FindBox* m_find = nullptr;
  // The customer as stored when the window showed it (or last saved it).
  StoredCustomer m_shown;
  // The history entry of the save or delete just done, which Ctrl+Z takes back; 0: none.
  qint64 m_undoId = 0;
};
