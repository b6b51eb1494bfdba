#include "ui/customer/frmcust.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QShortcut>
#include <QTabWidget>

#include "data/connection.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "ui/customer/customerlayout.h"
#include "ui/customer/customerlist.h"
#include "ui/customer/customerwriter.h"
#include "ui/customer/findbox.h"
#include "ui/listheadings.h"
#include "ui/program/module1.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/celleditor.h"
#include "ui/toolkit/clearcontrols.h"
#include "ui/toolkit/editablecombo.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/keyedtoolbar.h"
#include "ui/toolkit/listgrid.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/msgbox.h"
#include "ui/toolkit/placement.h"
#include "ui/toolkit/twips.h"

namespace {

QString InputText(QWidget* input) {
  if (auto* combo = qobject_cast<QComboBox*>(input)) return ComboValue(combo);
  return static_cast<QLineEdit*>(input)->text();
}

void SetInputText(QWidget* input, const QString& text) {
  QLineEdit* edit = qobject_cast<QLineEdit*>(input);
  if (auto* combo = qobject_cast<QComboBox*>(input)) {
    SetComboValue(combo, text);
    edit = combo->lineEdit();
  } else {
    edit->setText(text);
  }
  // A text longer than its box shows its beginning.
  edit->setCursorPosition(0);
}

// What the agent is told when someone else got to the customer first.
const char* const kChangedElsewhere = QT_TRANSLATE_NOOP(
    "frmCust",
    "Someone else changed this customer after this window showed it, so your changes were not "
    "saved. The window now shows the customer as stored: please make your changes again.");
const char* const kDeletedElsewhere = QT_TRANSLATE_NOOP(
    "frmCust",
    "Someone else deleted this customer after this window showed it, so your changes were not "
    "saved. The window has gone back to the start of the customer list.");
const char* const kAlreadyDeleted = QT_TRANSLATE_NOOP(
    "frmCust",
    "Someone else had already deleted this customer. The window has gone back to the start of "
    "the customer list.");

// Passes on an error of the database itself (see DataError::Known); others are skipped.
void RethrowKnown(const DataError& error) {
  if (error.Known()) throw error;
}

// Whether the customer table has a row, by the cursor's own position: no count is taken.
bool HasCustomers() {
  return !(CustomerSet->Bof() && CustomerSet->Eof());
}

}  // namespace

frmCust::frmCust() {
  setObjectName(QStringLiteral("frmCust"));
  setWindowTitle(tr("MAIN MENU"));
  setWindowIcon(SvgIcon(QStringLiteral("qel")));
  resize(TwipsToPixels(9480), TwipsToPixels(8220));

  const placement::Placed placed =
      placement::Place(this, CustomerLayout(), [this](QWidget* control) {
        // The toolbar's buttons come with it, ahead of the tabs in the focus chain.
        if (auto* toolbar = qobject_cast<KeyedToolBar*>(control)) {
          Toolbar1 = toolbar;
          BuildToolbar();
        }
      });
  FETCH_CONTROLS(placed, Label6, SSTab1, Frame1, Frame2, txtName, txtCID, cmbCusttype, cmbBirthyear,
                 cmbBirthmonth, cmbBirthday, cmbMarriage, cmbSex, cmbBlood, txtBirthplace,
                 txtCustId, txtEmail, txtTelHome, txtCellphone, txtOther, txtAddHome, txtCompany,
                 cmbJobtype, txtJobtitle, cmbSalary, cmbJobgrade, txtTelcompany, txtFaxcompany,
                 txtAddcompany, msfgFamily, msfgInsurlife, msfgCompenlife, msfgContact, txtInput,
                 txtInputInsur, txtInputCom, txtInputCon);

  m_lists = {
      {QStringLiteral("fam"), QStringLiteral("family"), msfgFamily, txtInput, &FamilySet,
       &SqlFamily, &FamilyRow, DataColumns(QStringLiteral("family")), kFamilyHeadings},
      {QStringLiteral("insur"), QStringLiteral("insurance"), msfgInsurlife, txtInputInsur,
       &InsuranceSet, &SqlInsurance, &InsuranceRow, DataColumns(QStringLiteral("insurance")),
       kInsuranceHeadings},
      {QStringLiteral("com"), QStringLiteral("compensate"), msfgCompenlife, txtInputCom,
       &CompensateSet, &SqlCompensate, &CompensateRow, DataColumns(QStringLiteral("compensate")),
       kCompensateHeadings},
      {QStringLiteral("con"), QStringLiteral("contact"), msfgContact, txtInputCon, &ContactSet,
       &SqlContact, &ContactRow, DataColumns(QStringLiteral("contact")), kContactHeadings},
  };

  // The paging keys belong to whatever the agent is typing into: an input or a cell editor
  // keeps them from the toolbar (a combo box picks entries with Page Up/Down), so one stray
  // key cannot replace what was typed with another customer. Inputs take the focus only in
  // the new and modify modes, the cell editors are shown only then; the toolbar buttons
  // themselves page as ever.
  const QList<QKeySequence> pagingKeys{QKeySequence(Qt::Key_PageUp), QKeySequence(Qt::Key_PageDown),
                                       QKeySequence(Qt::CTRL | Qt::Key_Home),
                                       QKeySequence(Qt::CTRL | Qt::Key_End)};
  for (QWidget* input : Inputs()) {
    KeepKeys(input, pagingKeys);
    if (auto* combo = qobject_cast<QComboBox*>(input)) KeepKeys(combo->lineEdit(), pagingKeys);
  }
  for (const List& list : m_lists) KeepKeys(list.editor, pagingKeys);

  ConnectHandlers();
}

frmCust::~frmCust() = default;

void frmCust::BuildToolbar() {
  struct Button {
    const char* key;
    QKeySequence shortcut;
  };
  const Button buttons[] = {
      {QT_TRANSLATE_NOOP("KeyedToolBar", "first"), QKeySequence(Qt::CTRL | Qt::Key_Home)},
      {QT_TRANSLATE_NOOP("KeyedToolBar", "previous"), QKeySequence(Qt::Key_PageUp)},
      {QT_TRANSLATE_NOOP("KeyedToolBar", "next"), QKeySequence(Qt::Key_PageDown)},
      {QT_TRANSLATE_NOOP("KeyedToolBar", "last"), QKeySequence(Qt::CTRL | Qt::Key_End)},
      {QT_TRANSLATE_NOOP("KeyedToolBar", "search"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)},
      {nullptr, {}},
      {QT_TRANSLATE_NOOP("KeyedToolBar", "new"), QKeySequence(Qt::CTRL | Qt::Key_N)},
      {QT_TRANSLATE_NOOP("KeyedToolBar", "modify"), QKeySequence(Qt::CTRL | Qt::Key_E)},
      {QT_TRANSLATE_NOOP("KeyedToolBar", "save"), QKeySequence(Qt::CTRL | Qt::Key_S)},
      // Delete asks nothing, so it stays a deliberate click without a shortcut.
      {QT_TRANSLATE_NOOP("KeyedToolBar", "delete"), {}},
      {nullptr, {}},
      {QT_TRANSLATE_NOOP("KeyedToolBar", "exit"), {}},
  };
  for (const Button& button : buttons) {
    if (!button.key) {
      Toolbar1->AddSeparator();
      continue;
    }
    const QString key = QLatin1String(button.key);
    Toolbar1->AddButton(key, SvgIcon(key), button.shortcut);
  }
  Toolbar1->AddSeparator();
  for (const Command& command : Commands()) {
    const QString key = QLatin1String(command.key);
    Toolbar1->AddButton(key, SvgIcon(key), command.shortcut);
  }
  m_find = FindBox::AddTo(Toolbar1, this);
}

const QList<frmCust::Command>& frmCust::Commands() {
  static const QList<Command> commands = {
      {QT_TRANSLATE_NOOP("KeyedToolBar", "import"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I),
       &frmCust::ImportFiles},
      {QT_TRANSLATE_NOOP("KeyedToolBar", "export"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E),
       &frmCust::ExportFiles},
      {QT_TRANSLATE_NOOP("KeyedToolBar", "backup"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B),
       &frmCust::BackupDatabase},
      {QT_TRANSLATE_NOOP("KeyedToolBar", "schedule"),
       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), &frmCust::ScheduleCommand},
      {QT_TRANSLATE_NOOP("KeyedToolBar", "print"), QKeySequence(Qt::CTRL | Qt::Key_P),
       &frmCust::PrintCommand},
      {QT_TRANSLATE_NOOP("KeyedToolBar", "history"), QKeySequence(Qt::CTRL | Qt::Key_H),
       &frmCust::HistoryCommand},
  };
  return commands;
}

void frmCust::ConnectHandlers() {
  for (int i = 0; i < int(m_lists.size()); ++i) {
    ListGrid* grid = m_lists[i].grid;
    for (QScrollBar* bar : {grid->horizontalScrollBar(), grid->verticalScrollBar()})
      OnEvent(bar, &QScrollBar::valueChanged, this, [this, i] { FollowServedCell(m_lists[i]); });
  }
  OnEvent(Toolbar1, &KeyedToolBar::ButtonClick, this,
          [this](const QString& key) { Toolbar1_ButtonClick(key); });
  OnEvent(m_find, &FindBox::Picked, this, [this](qint64 rowid) {
    if (CustomerSet->MoveToBookmark(rowid)) Recover();  // shows it, read afresh
  });
  OnEvent(new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this,
          [this] { UndoCommand(); });
  OnEvent(msfgFamily, &ListGrid::Click, this, [this] { msfgFamily_Click(); });
  OnEvent(msfgInsurlife, &ListGrid::Click, this, [this] { msfgInsurlife_Click(); });
  OnEvent(msfgCompenlife, &ListGrid::Click, this, [this] { msfgCompenlife_Click(); });
  OnEvent(msfgContact, &ListGrid::Click, this, [this] { msfgContact_Click(); });
  OnEvent(txtInput, &QLineEdit::textChanged, this, [this] { txtInput_Change(); });
  OnEvent(txtInputInsur, &QLineEdit::textChanged, this, [this] { txtInputInsur_Change(); });
  OnEvent(txtInputCom, &QLineEdit::textChanged, this, [this] { txtInputCom_Change(); });
  OnEvent(txtInputCon, &QLineEdit::textChanged, this, [this] { txtInputCon_Change(); });
}

QList<QWidget*> frmCust::Inputs() const {
  return {txtName,     txtCID,       cmbCusttype, cmbBirthyear,  cmbBirthmonth, cmbBirthday,
          txtCustId,   cmbSex,       cmbBlood,    txtBirthplace, cmbMarriage,   txtEmail,
          txtTelHome,  txtCellphone, txtOther,    txtAddHome,    txtCompany,    cmbJobtype,
          txtJobtitle, cmbJobgrade,  cmbSalary,   txtTelcompany, txtFaxcompany, txtAddcompany};
}

void frmCust::Form_Load() {
  CreateDataObjects();
  SSTab1->setCurrentIndex(0);
  NewMode = false;
  ModifyMode = false;
  for (const List& list : m_lists) list.editor->setVisible(false);
  OpenDataObjects();

  for (const List& list : m_lists) {
    list.grid->SetRow(0);
    const QStringList headings = TranslatedHeadings(list.headings);
    for (int col = 0; col < headings.size(); ++col) {
      list.grid->SetCol(col);
      list.grid->SetText(headings[col]);
    }
  }

  ShowCustomer();
  Toolbar1->Buttons(QStringLiteral("save"))->setEnabled(false);
  SetInputsEnabled();
}

void frmCust::QueryClose() {
  Toolbar1_ButtonClick(QStringLiteral("exit"));
}

// ---------------------------------------------------------------------------------------------
// Display

// The customer's columns and the inputs that show them, in display order. The sex is read
// under the name "cust_sex"; names match whatever their case.
QList<QPair<QString, QWidget*>> frmCust::CustomerFields() const {
  return {
      {"Cust_name", txtName},
      {"CID", txtCID},
      {"Cust_type", cmbCusttype},
      {"Cust_birthyear", cmbBirthyear},
      {"Cust_birthmonth", cmbBirthmonth},
      {"Cust_birthday", cmbBirthday},
      {"Cust_id", txtCustId},
      {"cust_sex", cmbSex},
      {"Cust_blood", cmbBlood},
      {"Cust_birthplace", txtBirthplace},
      {"Cust_marriage", cmbMarriage},
      {"Cust_email", txtEmail},
      {"Cust_telhome", txtTelHome},
      {"Cust_cellphone", txtCellphone},
      {"Cust_otherphone", txtOther},
      {"Cust_addhome", txtAddHome},
      {"Cust_company", txtCompany},
      {"Cust_jobtype", cmbJobtype},
      {"Cust_jobtitle", txtJobtitle},
      {"Cust_jobgrade", cmbJobgrade},
      {"Cust_salary", cmbSalary},
      {"Cust_teloffice", txtTelcompany},
      {"Cust_fax", txtFaxcompany},
      {"Cust_addoffice", txtAddcompany},
  };
}

void frmCust::ShowCustomer() {
  // Every step on its own: a step that fails (no current row, a Null value, a list that cannot
  // be read) is skipped and the display goes on with the next one. Trouble with the database
  // itself (a lost server, a lock, a damaged file) is not skipped: the window would show part of
  // a customer as if it were all of it. The error boundary says why and reads the window again.
  // Whether the key came from the customer row. When it did not (no current row, a row
  // another program deleted, a Null key), the key box holds no key of this customer, and lists
  // read for it would be another customer's: the lists then stay empty.
  bool keyRead = false;
  // What is shown is remembered as stored, from the values read for the display (the row is
  // fetched once), so that a save can tell whether someone else changed it meanwhile.
  m_shown = StoredCustomer();
  m_shown.lists.resize(qsizetype(m_lists.size()));
  for (const auto& [column, control] : CustomerFields()) {
    try {
      const Value value = CustomerSet->Field(column);
      if (control == txtCID) {
        keyRead = value.has_value();
        m_shown.key = value;
      }
      if (control == cmbSex) {
        // The sex is joined to an empty text first, so a Null empties the box.
        SetInputText(control, value.value_or(QString()));
      } else if (value) {
        SetInputText(control, *value);
      }
    } catch (const DataError& error) {
      RethrowKnown(error);
    }
  }
  try {
    m_shown.customer = CurrentRow(*DbConnection, *CustomerSet);
  } catch (const DataError& error) {
    RethrowKnown(error);
  }

  for (int index = 0; index < int(m_lists.size()); ++index) {
    List& list = m_lists[index];
    Recordset& set = **list.set;
    *list.sql =
        QStringLiteral("select * from %1 where CID=").arg(list.table) + SqlQuote(txtCID->text());
    set.Close();
    try {
      set.Open(*list.sql, *DbConnection);
    } catch (const DataError& error) {
      RethrowKnown(error);
      continue;
    }
    int& row = *list.row;
    row = 1;
    // The set stays open on the key either way: a save adds the new rows through it.
    while (keyRead) {
      try {
        if (set.Eof()) break;
      } catch (const DataError& error) {
        RethrowKnown(error);
        break;
      }
      try {
        // Cell by cell, so a value holding a tab stays in its own cell.
        QStringList cells;
        for (const QString& column : list.columns) cells << set.Field(column).value_or(QString());
        StoredRow stored = CurrentRow(*DbConnection, set);
        list.grid->AddItem(cells, row);
        m_shown.AddListRow(index, std::move(stored));
        ++row;
      } catch (const DataError& error) {
        RethrowKnown(error);
      }
      try {
        set.MoveNext();
      } catch (const DataError& error) {
        RethrowKnown(error);
        break;
      }
    }
  }
}

void frmCust::SetInputsEnabled() {
  const bool editing = NewMode || ModifyMode;
  for (QWidget* input : Inputs()) input->setEnabled(editing);
  m_find->setEnabled(!editing);
}

// ---------------------------------------------------------------------------------------------
// Toolbar

void frmCust::Toolbar1_ButtonClick(const QString& key) {
  // Only the command just done can be taken back.
  m_undoId = 0;
  if (key == QLatin1String("first") || key == QLatin1String("previous") ||
      key == QLatin1String("next") || key == QLatin1String("last")) {
    Navigate(key);
  } else if (key == QLatin1String("new")) {
    NewCommand();
  } else if (key == QLatin1String("modify")) {
    ModifyCommand();
  } else if (key == QLatin1String("save")) {
    SaveCommand();
  } else if (key == QLatin1String("delete")) {
    DeleteCommand();
  } else if (key == QLatin1String("exit")) {
    ExitCommand();
  } else if (key == QLatin1String("search")) {
    SearchCommand();
  } else {
    for (const Command& command : Commands())
      if (key == QLatin1String(command.key)) (this->*command.run)();
  }
}

void frmCust::Navigate(const QString& key) {
  // On a table without customers there is no row to move to: only the buttons and the
  // (cleared) window are brought up to date.
  if (HasCustomers()) {
    try {
      if (key == QLatin1String("first")) {
        CustomerSet->MoveFirst();
      } else if (key == QLatin1String("previous")) {
        CustomerSet->MovePrevious();
      } else if (key == QLatin1String("next")) {
        CustomerSet->MoveNext();
      } else {
        CustomerSet->MoveLast();
      }
    } catch (const DataError&) {
      // Another program may have emptied the table since the window last looked: the move
      // found no row, and the window goes on as on an empty table.
      if (HasCustomers()) throw;
    }
  }
  UpdateNavigationButtons();
  ClearControls(this);
  ShowCustomer();
}

void frmCust::UpdateNavigationButtons() {
  auto enable = [this](const char* key, bool on) {
    Toolbar1->Buttons(QLatin1String(key))->setEnabled(on);
  };
  const bool bof = CustomerSet->Bof();
  const bool eof = CustomerSet->Eof();
  bool empty = bof && eof;
  if (!empty && (bof || eof)) {
    // Past an end the cursor goes back onto the first or last row, which another program may
    // have deleted with all the others meanwhile.
    try {
      if (bof) {
        CustomerSet->MoveFirst();
      } else {
        CustomerSet->MoveLast();
      }
    } catch (const DataError&) {
      if (HasCustomers()) throw;
      empty = true;
    }
  }
  // Nothing before the first customer, nothing after the last.
  const bool back = !empty && !bof;
  const bool forward = !empty && !eof;
  enable("first", back);
  enable("previous", back);
  enable("next", forward);
  enable("last", forward);
}

void frmCust::Recover() {
  // What the agent is typing stays as it is: only a browsing window is read again.
  if (NewMode || ModifyMode) return;
  try {
    // The customer shown is read afresh; one deleted meanwhile, or none, gives the first.
    const bool onRow = !CustomerSet->Bof() && !CustomerSet->Eof();
    if (!onRow || !CustomerSet->MoveToBookmark(CustomerSet->Bookmark())) CustomerSet->Requery();
    UpdateNavigationButtons();
    ClearControls(this);
    ShowCustomer();
  } catch (const DataError&) {
    // Nothing can be read now: the window shows no customer rather than part of one. A save
    // from here is compared with the stored customer and refused, so nothing is overwritten.
    ClearControls(this);
    m_shown = StoredCustomer();
    throw;
  }
}

void frmCust::UpdateEditButtons() {
  auto enable = [this](const char* key, bool on) {
    Toolbar1->Buttons(QLatin1String(key))->setEnabled(on);
  };
  enable("new", true);
  enable("modify", true);
  enable("save", false);
  enable("delete", true);
  enable("exit", true);
  if (NewMode || ModifyMode) {
    enable("new", false);
    enable("modify", false);
    enable("save", true);
    enable("delete", false);
    enable("exit", true);
  }
}

// ---------------------------------------------------------------------------------------------
// Commands

void frmCust::NewCommand() {
  ClearControls(this);
  NewMode = true;
  ModifyMode = false;
  SetInputsEnabled();
  UpdateEditButtons();
  PrepareGrids();
}

void frmCust::ModifyCommand() {
  NewMode = false;
  ModifyMode = true;
  SetInputsEnabled();
  UpdateEditButtons();
  PrepareGrids();
}

void frmCust::SaveCommand() {
  QList<bool> shown;
  for (const List& list : m_lists) {
    shown << list.editor->isVisible();
    list.editor->setVisible(false);
  }
  if (!SaveCustomer()) {
    // Nothing was written: the window stays as it was, editors included, unless it has left
    // the modify mode to show what someone else stored.
    if (NewMode || ModifyMode) {
      for (int i = 0; i < int(m_lists.size()); ++i) m_lists[i].editor->setVisible(shown[i]);
    }
    return;
  }
  MsgBox(tr("Finish"));
  Toolbar1->Buttons(QStringLiteral("save"))->setEnabled(false);
  Toolbar1->Buttons(QStringLiteral("new"))->setEnabled(true);
  Toolbar1->Buttons(QStringLiteral("modify"))->setEnabled(true);
  Toolbar1->Buttons(QStringLiteral("delete"))->setEnabled(true);
  NewMode = false;
  ModifyMode = false;
  SetInputsEnabled();
}

bool frmCust::SaveCustomer() {
  const bool hadCustomers = HasCustomers();

  CustomerEdits edits;
  edits.isNew = NewMode;
  edits.key = txtCID->text();
  // Every input but the key, which the writer handles itself.
  for (const auto& [column, control] : CustomerFields()) {
    if (control != txtCID) edits.fields << qMakePair(column, InputText(control));
  }
  // The entries of each list are read through its grid's current cell; a save that stores
  // nothing puts the current cells back.
  QList<QPair<int, int>> cells;
  QList<ListTarget> targets;
  for (const List& list : m_lists) {
    ListGrid* grid = list.grid;
    cells << qMakePair(grid->Row(), grid->Col());
    targets << ListTarget{list.table, list.set->get()};
    QList<QStringList>& entries = edits.lists.emplace_back();
    // Rows 1 to Rows - 2 are entries; the last row is the entry row, stored only when the agent
    // typed something into it.
    int last = grid->Rows() - 2;
    const int entryRow = grid->Rows() - 1;
    if (entryRow >= 1) {
      for (int col = 0; col < grid->Cols(); ++col) {
        if (!grid->TextMatrix(entryRow, col).isEmpty()) {
          last = entryRow;
          break;
        }
      }
    }
    for (int row = 1; row <= last; ++row) {
      QStringList& entry = entries.emplace_back();
      grid->SetRow(row);
      for (int col = 0; col < grid->Cols(); ++col) {
        grid->SetCol(col);
        entry << grid->Text();
      }
    }
  }

  WriteOutcome outcome = CustomerWriter(*DbConnection, *CustomerSet, targets).Save(m_shown, edits);
  if (outcome.result != WriteOutcome::Result::Done) {
    for (int i = 0; i < int(m_lists.size()); ++i) {
      m_lists[i].grid->SetRow(cells[i].first);
      m_lists[i].grid->SetCol(cells[i].second);
    }
    if (outcome.result == WriteOutcome::Result::Failed) {
      MsgBox(outcome.message);
      return false;
    }
    try {
      ShowStoredInstead(outcome.result == WriteOutcome::Result::DeletedElsewhere);
    } catch (const DataError& error) {
      MsgBox(error.message());
    }
    return false;
  }
  m_shown = std::move(outcome.stored);
  m_undoId = outcome.historyId;
  if (!hadCustomers) {
    // The first customer of an empty table: there are customers to page through now.
    for (const char* key : {"first", "previous", "next", "last"})
      Toolbar1->Buttons(QLatin1String(key))->setEnabled(true);
  }

  UpdateEditButtons();
  NewMode = false;
  ModifyMode = false;
  return true;
}

void frmCust::DeleteCommand() {
  // Without a customer row there is nothing to delete.
  if (CustomerSet->Bof() || CustomerSet->Eof()) return;
  const WriteOutcome outcome = CustomerWriter(*DbConnection, *CustomerSet, {}).Delete();
  if (outcome.result == WriteOutcome::Result::Failed) {
    MsgBox(outcome.message);
    return;
  }
  const bool deletedElsewhere = outcome.result == WriteOutcome::Result::DeletedElsewhere;
  m_undoId = outcome.historyId;

  try {
    // The first customer is shown next.
    CustomerSet->Requery();
  } catch (const DataError& error) {
    // The customer is deleted; only reading the table again failed (e.g. a long lock).
    MsgBox(error.message());
  }
  ClearControls(this);
  ShowCustomer();
  UpdateNavigationButtons();
  // Either way the customer is gone, and the window goes on as after a delete.
  MsgBox(deletedElsewhere ? tr(kAlreadyDeleted) : tr("Finish"));
}

void frmCust::ShowStoredInstead(bool deleted) {
  NewMode = false;
  ModifyMode = false;
  for (const List& list : m_lists) list.editor->setVisible(false);
  try {
    // A deleted customer leaves the window at the first one, as a delete does; a changed one
    // is read afresh (moving onto its row again drops what was read of it before).
    if (deleted || !CustomerSet->MoveToBookmark(CustomerSet->Bookmark())) CustomerSet->Requery();
  } catch (const DataError& error) {
    MsgBox(error.message());
  }
  ClearControls(this);
  ShowCustomer();
  UpdateNavigationButtons();
  UpdateEditButtons();
  SetInputsEnabled();
  MsgBox(tr(deleted ? kDeletedElsewhere : kChangedElsewhere));
}

void frmCust::ExitCommand() {
  Unload();
}

void frmCust::SearchCommand() {
  frmSearch::OpenBeside(*this);
}
