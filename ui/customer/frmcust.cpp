#include "ui/customer/frmcust.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabWidget>

#include "app/module1.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "transfer/backup.h"
#include "transfer/export.h"
#include "transfer/import.h"
#include "ui/customer/customercard.h"
#include "ui/customer/customerwriter.h"
#include "ui/listheadings.h"
#include "ui/schedule/frmschedule.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/celleditor.h"
#include "ui/toolkit/clearcontrols.h"
#include "ui/toolkit/editablecombo.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/keyedtoolbar.h"
#include "ui/toolkit/listgrid.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/msgbox.h"
#include "ui/toolkit/pathdialog.h"
#include "ui/toolkit/placement.h"
#include "ui/toolkit/twips.h"

// One list of the customer: its grid, editor, record set, last query and row counter.
struct frmCust::List {
  QString key;
  QString table;
  ListGrid* grid;
  CellEditor* editor;
  std::unique_ptr<Recordset>* set;
  QString* sql;
  int* row;
  QStringList columns;
  QStringList headings;
};

namespace {

// The window's controls, in the order they are made.
const char* const kIncomes =
    "under 100,000|100,000~200,000|200,000~300,000|300,000~400,000|400,000~500,000|"
    "500,000~600,000|600,000~700,000|700,000~800,000|800,000~900,000|900,000~1,000,000|"
    "1,000,000~1,500,000|1,500,000~2,000,000|above 2,000,000";
using K = placement::Kind;
using placement::Ming;
// clang-format off
const placement::Control kLayout[] = {
    {K::Label, "Label6", nullptr, {0, 0, 375, 255}, "MM", Ming(11.25)},
    {K::ToolBar, "Toolbar1", nullptr, {0, 0, 9480, 555}},
    {K::Tabs, "SSTab1", nullptr, {240, 840, 8955, 7095}, "", Ming(12.75)},
    {K::Page, "tabIndividual", "SSTab1", {}, "Individual"},
    {K::Page, "tabFamily", "SSTab1", {}, "Family"},
    {K::Page, "tabInsurance", "SSTab1", {}, "Insurance"},
    {K::Page, "tabCompensation", "SSTab1", {}, "Compensation"},
    {K::Page, "tabContact", "SSTab1", {}, "Contact"},
    {K::Frame, "Frame1", "tabIndividual", {360, 720, 7935, 3375}, "Personal", placement::Sans(12, true)},
    {K::Frame, "Frame2", "tabIndividual", {360, 4440, 7935, 2415}, "Company", placement::Sans(12, true)},
    {K::TextBox, "txtName", "Frame1", {1200, 400, 1695, 270}, "", Ming(9)},
    {K::TextBox, "txtCID", "Frame1", {3960, 400, 1335, 270}, "", Ming(9)},
    {K::Combo, "cmbCusttype", "Frame1", {6600, 400, 1095, 300}, "", Ming(9), nullptr, "Customer|to-be|Potential |Normal |unfamilia|family|friend"},
    {K::Combo, "cmbBirthyear", "Frame1", {1200, 840, 855, 300}, "", Ming(9), nullptr, "1930..2004"},
    {K::Combo, "cmbBirthmonth", "Frame1", {2550, 840, 735, 300}, "", Ming(9), nullptr, "1..12"},
    {K::Combo, "cmbBirthday", "Frame1", {3960, 840, 735, 300}, "", Ming(9), nullptr, "1..31"},
    {K::Combo, "cmbMarriage", "Frame1", {6600, 840, 1095, 300}, "", Ming(9), nullptr, "unmarried|married|divorce|other"},
    {K::Combo, "cmbSex", "Frame1", {1200, 1320, 975, 300}, "", Ming(9), nullptr, "male|female"},
    {K::Combo, "cmbBlood", "Frame1", {3960, 1320, 975, 300}, "", Ming(9), nullptr, "A|B|O|AB"},
    {K::TextBox, "txtBirthplace", "Frame1", {6600, 1320, 1095, 270}, "", Ming(9)},
    {K::TextBox, "txtCustId", "Frame1", {1200, 1800, 2535, 270}, "", Ming(9)},
    {K::TextBox, "txtEmail", "Frame1", {4800, 1800, 2895, 270}, "", Ming(9)},
    {K::TextBox, "txtTelHome", "Frame1", {1200, 2400, 1935, 270}, "", Ming(9)},
    {K::TextBox, "txtCellphone", "Frame1", {4080, 2400, 1335, 270}, "", Ming(9)},
    {K::TextBox, "txtOther", "Frame1", {6240, 2400, 1455, 270}, "", Ming(9)},
    {K::TextBox, "txtAddHome", "Frame1", {1200, 2880, 6495, 270}, "", Ming(9)},
    {K::TextBox, "txtCompany", "Frame2", {1200, 360, 2535, 270}, "", Ming(9)},
    {K::Combo, "cmbJobtype", "Frame2", {4920, 360, 2775, 300}, "", Ming(9)},
    {K::TextBox, "txtJobtitle", "Frame2", {1200, 840, 2535, 270}, "", Ming(9)},
    {K::Combo, "cmbSalary", "Frame2", {4920, 840, 2775, 300}, "", Ming(9), nullptr, kIncomes},
    {K::Combo, "cmbJobgrade", "Frame2", {1200, 1400, 615, 300}, "", Ming(9), nullptr, "1..6"},
    {K::TextBox, "txtTelcompany", "Frame2", {2640, 1440, 2175, 270}, "", Ming(9)},
    {K::TextBox, "txtFaxcompany", "Frame2", {5520, 1440, 2175, 270}, "", Ming(9)},
    {K::TextBox, "txtAddcompany", "Frame2", {1200, 1920, 6495, 270}, "", Ming(9)},
    // Caption labels ("Label6" is the designed "MM" label of the window).
    {K::CaptionBefore, "Label1", "Frame1", {}, "Name", Ming(12), "txtName"},
    {K::CaptionBefore, "Label2", "Frame1", {}, "C_No", Ming(12), "txtCID"},
    {K::CaptionBefore, "Label3", "Frame1", {}, "Type", Ming(11.25), "cmbCusttype"},
    {K::CaptionBefore, "Label4", "Frame1", {}, "Birthday", Ming(11.25), "cmbBirthyear"},
    {K::CaptionAfter, "Label5", "Frame1", {}, "Year", Ming(11.25), "cmbBirthyear"},
    {K::CaptionAfter, "Label7", "Frame1", {}, "Month", Ming(11.25), "cmbBirthmonth"},
    {K::CaptionAfter, "Label8", "Frame1", {}, "Day", Ming(11.25), "cmbBirthday"},
    {K::CaptionBefore, "Label9", "Frame1", {}, "Marriage", Ming(11.25), "cmbMarriage"},
    {K::CaptionBefore, "Label10", "Frame1", {}, "Sex", Ming(11.25), "cmbSex"},
    {K::CaptionBefore, "Label11", "Frame1", {}, "Blood", Ming(11.25), "cmbBlood"},
    {K::CaptionBefore, "Label12", "Frame1", {}, "Birthplace", Ming(11.25), "txtBirthplace"},
    {K::CaptionBefore, "Label13", "Frame1", {}, "ID", Ming(11.25), "txtCustId"},
    {K::CaptionBefore, "Label14", "Frame1", {}, "E-Mail", Ming(11.25), "txtEmail"},
    {K::CaptionBefore, "Label15", "Frame1", {}, "Tel(H)", Ming(11.25), "txtTelHome"},
    {K::CaptionBefore, "Label16", "Frame1", {}, "Mobile", Ming(11.25), "txtCellphone"},
    {K::CaptionBefore, "Label17", "Frame1", {}, "Other", Ming(11.25), "txtOther"},
    {K::CaptionBefore, "Label18", "Frame1", {}, "Add(H)", Ming(11.25), "txtAddHome"},
    {K::CaptionBefore, "Label19", "Frame2", {}, "Company", Ming(11.25), "txtCompany"},
    {K::CaptionBefore, "Label20", "Frame2", {}, "Business", Ming(11.25), "cmbJobtype"},
    {K::CaptionBefore, "Label21", "Frame2", {}, "Title", Ming(11.25), "txtJobtitle"},
    {K::CaptionBefore, "Label22", "Frame2", {}, "Income", Ming(11.25), "cmbSalary"},
    {K::CaptionBefore, "Label23", "Frame2", {}, "Job Grade", Ming(11.25), "cmbJobgrade"},
    {K::CaptionBefore, "Label24", "Frame2", {}, "Tel(O)", Ming(11.25), "txtTelcompany"},
    {K::CaptionBefore, "Label25", "Frame2", {}, "Fax", Ming(11.25), "txtFaxcompany"},
    {K::CaptionBefore, "Label26", "Frame2", {}, "Add(O)", Ming(11.25), "txtAddcompany"},
    // The list tabs: a grid and its cell editor each.
    {K::Grid, "msfgFamily", "tabFamily", {480, 1080, 7935, 5535}, "Family", Ming(12), nullptr, "8"},
    {K::CellEditor, "txtInput", "tabFamily", {480, 1080, 855, 375}, "", Ming(12), "msfgFamily"},
    {K::Grid, "msfgInsurlife", "tabInsurance", {480, 1080, 7935, 5535}, "Insurance", Ming(12), nullptr, "11"},
    {K::CellEditor, "txtInputInsur", "tabInsurance", {480, 1080, 855, 375}, "", Ming(12), "msfgInsurlife"},
    {K::Grid, "msfgCompenlife", "tabCompensation", {480, 1080, 7935, 5535}, "Compensation", Ming(12), nullptr, "7"},
    {K::CellEditor, "txtInputCom", "tabCompensation", {480, 1080, 855, 375}, "", Ming(12), "msfgCompenlife"},
    {K::Grid, "msfgContact", "tabContact", {480, 1080, 7935, 5535}, "Contact", Ming(12), nullptr, "8"},
    {K::CellEditor, "txtInputCon", "tabContact", {480, 1080, 855, 375}, "", Ming(12), "msfgContact"},
};
// clang-format on

QString InputText(QWidget* input) {
  if (auto* combo = qobject_cast<QComboBox*>(input)) return combo->currentText();
  return static_cast<QLineEdit*>(input)->text();
}

void SetInputText(QWidget* input, const QString& text) {
  QLineEdit* edit = qobject_cast<QLineEdit*>(input);
  if (auto* combo = qobject_cast<QComboBox*>(input)) {
    combo->setEditText(text);
    edit = combo->lineEdit();
  } else {
    edit->setText(text);
  }
  // A text longer than its box shows its beginning.
  edit->setCursorPosition(0);
}

// What the agent is told when someone else got to the customer first.
const QString kChangedElsewhere = QStringLiteral(
    "Someone else changed this customer after this window showed it, so your changes were not "
    "saved. The window now shows the customer as stored: please make your changes again.");
const QString kDeletedElsewhere = QStringLiteral(
    "Someone else deleted this customer after this window showed it, so your changes were not "
    "saved. The window has gone back to the start of the customer list.");
const QString kAlreadyDeleted = QStringLiteral(
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
  setWindowTitle(QStringLiteral("MAIN MENU"));
  setWindowIcon(SvgIcon(QStringLiteral("qel")));
  resize(TwipsToPixels(9480), TwipsToPixels(8220));

  const placement::Placed placed = placement::Place(this, kLayout, [this](QWidget* control) {
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
      {"first", QKeySequence(Qt::CTRL | Qt::Key_Home)},
      {"previous", QKeySequence(Qt::Key_PageUp)},
      {"next", QKeySequence(Qt::Key_PageDown)},
      {"last", QKeySequence(Qt::CTRL | Qt::Key_End)},
      {"search", QKeySequence(Qt::CTRL | Qt::Key_F)},
      {nullptr, {}},
      {"new", QKeySequence(Qt::CTRL | Qt::Key_N)},
      {"modify", QKeySequence(Qt::CTRL | Qt::Key_E)},
      {"save", QKeySequence(Qt::CTRL | Qt::Key_S)},
      // Delete asks nothing, so it stays a deliberate click without a shortcut.
      {"delete", {}},
      {nullptr, {}},
      {"exit", {}},
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
}

const QList<frmCust::Command>& frmCust::Commands() {
  static const QList<Command> commands = {
      {"import", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I), &frmCust::ImportFiles},
      {"export", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), &frmCust::ExportFiles},
      {"backup", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B), &frmCust::BackupDatabase},
      {"schedule", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), &frmCust::ScheduleCommand},
      {"print", QKeySequence(Qt::CTRL | Qt::Key_P), &frmCust::PrintCommand},
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
    for (int col = 0; col < list.headings.size(); ++col) {
      list.grid->SetCol(col);
      list.grid->SetText(list.headings[col]);
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
}

// ---------------------------------------------------------------------------------------------
// Toolbar

void frmCust::Toolbar1_ButtonClick(const QString& key) {
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
  if (empty) {
    enable("first", false);
    enable("previous", false);
    enable("next", false);
    enable("last", false);
  } else if (bof) {
    enable("first", false);
    enable("previous", false);
    enable("next", true);
    enable("last", true);
  } else if (eof) {
    enable("first", true);
    enable("previous", true);
    enable("next", false);
    enable("last", false);
  } else {
    enable("first", true);
    enable("previous", true);
    enable("last", true);
    enable("next", true);
  }
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
// Grid cell editing

frmCust::List* frmCust::FindList(const QString& listKey) {
  for (List& list : m_lists)
    if (list.key == listKey) return &list;
  return nullptr;
}

void frmCust::ShowCellEditor(int row, int col, const QString& listKey) {
  List* list = FindList(listKey);
  if (!list) return;
  ListGrid* grid = list->grid;
  CellEditor* editor = list->editor;
  // The heading row is never edited.
  if (row < 1 || row >= grid->Rows() || col < 0 || col >= grid->Cols()) return;
  // Size from the current cell, position from the cell's offset inside the grid's border.
  PlaceTwips(editor, grid->Left() + grid->ColPos(col) + grid->BorderLeft(),
             grid->Top() + grid->RowPos(row) + grid->BorderTop(), grid->CellWidth(),
             grid->CellHeight());
  // The editor serves this cell from now on, so loading its text writes back the same text.
  editor->Attach(row, col);
  editor->setText(grid->TextMatrix(row, col));
  editor->raise();
}

void frmCust::GridClick(List& list) {
  if (!NewMode && !ModifyMode) return;
  ListGrid* grid = list.grid;
  if (grid->Row() < 1) return;
  // A cell only partly in view is scrolled fully into it first, so that the editor laid over
  // it stays there.
  grid->scrollTo(grid->model()->index(grid->Row() - 1, grid->Col()));
  ShowCellEditor(grid->Row(), grid->Col(), list.key);
  grid->SetRow(grid->RowSel());
  grid->SetCol(grid->ColSel());
  list.editor->setVisible(true);
  list.editor->setFocus();
  // Having typed the first field of the entry row, a click on its second field opens a new
  // entry row below.
  if (grid->Rows() - 1 == grid->Row() && grid->Col() == 1 &&
      !grid->TextMatrix(grid->Row(), 0).isEmpty()) {
    grid->SetRows(grid->Rows() + 1);
  }
}

void frmCust::msfgFamily_Click() {
  GridClick(m_lists[0]);
}
void frmCust::msfgInsurlife_Click() {
  GridClick(m_lists[1]);
}
void frmCust::msfgCompenlife_Click() {
  GridClick(m_lists[2]);
}
void frmCust::msfgContact_Click() {
  GridClick(m_lists[3]);
}
void frmCust::txtInput_Change() {
  txtInput->WriteBack();
}
void frmCust::txtInputInsur_Change() {
  txtInputInsur->WriteBack();
}
void frmCust::txtInputCom_Change() {
  txtInputCom->WriteBack();
}
void frmCust::txtInputCon_Change() {
  txtInputCon->WriteBack();
}

// Keeps an editor on the cell it serves when its grid scrolls.
void frmCust::FollowServedCell(List& list) {
  ListGrid* grid = list.grid;
  CellEditor* editor = list.editor;
  if (!editor->IsAttached()) return;
  const int row = editor->ServedRow();
  const int col = editor->ServedCol();
  if (row < 1 || row >= grid->Rows() || col >= grid->Cols()) return;
  editor->move(TwipsToPixels(grid->Left() + grid->ColPos(col) + grid->BorderLeft()),
               TwipsToPixels(grid->Top() + grid->RowPos(row) + grid->BorderTop()));
}

// Places each grid's editor, still hidden, on the first visible entry of its first column.
void frmCust::PrepareGrids() {
  for (List& list : m_lists) {
    list.grid->SetCol(0);
    list.grid->SetRow(list.grid->TopRow());
    ShowCellEditor(list.grid->Row(), list.grid->Col(), list.key);
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
  MsgBox(QStringLiteral("Finish"));
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
  // The customer is saved; only reading the lists again failed (e.g. a long lock).
  if (!outcome.message.isEmpty()) MsgBox(outcome.message);
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
  MsgBox(deletedElsewhere ? kAlreadyDeleted : QStringLiteral("Finish"));
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
  MsgBox(deleted ? kDeletedElsewhere : kChangedElsewhere);
}

void frmCust::ExitCommand() {
  Unload();
}

void frmCust::SearchCommand() {
  frmSearch::OpenBeside(*this);
}

// ---------------------------------------------------------------------------------------------
// The command group: import, export, backup. They work on the database file as it is saved;
// what the window holds unsaved stays as it is.

namespace {

// Runs a job under the busy cursor, which is back before any message is shown.
template <typename Job>
auto Busy(Job&& job) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
  return job();
}

}  // namespace

void frmCust::ReportJob(const QString& what) {
  QString text = QStringLiteral("Finish\n\n") + what;
  if (NewMode || ModifyMode) {
    text += QStringLiteral(
        "\n\nOnly what is saved was used: the customer being edited is not saved yet.");
  }
  MsgBox(text);
}

void frmCust::ImportFiles() {
  const QString chosen =
      AskPath(this, PathKind::OpenFile, QStringLiteral("Import"), QDir::currentPath(),
              QStringLiteral("Access, CSV or Qel files (*.mdb *.accdb *.csv *.db)"));
  if (chosen.isEmpty()) return;
  // A CSV file stands for the folder of the five table files it belongs to.
  const QFileInfo info(chosen);
  const QString source = info.suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0
                             ? info.absolutePath()
                             : chosen;
  ImportSummary summary;
  try {
    summary = Busy([&] { return ImportInto(kDatabaseFile, source); });
  } catch (const DataError& error) {
    MsgBox(error.message());
    return;
  }
  if (!NewMode && !ModifyMode) {
    // The imported customers join the ones browsed; the window starts over at the first. The
    // import is stored: a server connection lost meanwhile is met here and read again at once.
    for (int attempt = 0; attempt < 2; ++attempt) {
      try {
        CustomerSet->Requery();
        break;
      } catch (const DataError& error) {
        if (attempt == 0 && error.cause() == DataError::Cause::Lost) continue;
        MsgBox(error.message());
        break;
      }
    }
    UpdateNavigationButtons();
    ClearControls(this);
    ShowCustomer();
  }
  ReportJob(summary.Text());
}

void frmCust::ExportFiles() {
  const QString folder =
      AskPath(this, PathKind::Folder, QStringLiteral("Export to folder"), QDir::currentPath());
  if (folder.isEmpty()) return;
  try {
    ReportJob(Busy([&] { return ExportTo(kDatabaseFile, folder); }).Text());
  } catch (const DataError& error) {
    MsgBox(error.message());
  }
}

void frmCust::BackupDatabase() {
  const QString start = QDir::current().absoluteFilePath(
      QStringLiteral("qel-backup-%1.db").arg(QDate::currentDate().toString(Qt::ISODate)));
  const QString target = AskPath(this, PathKind::SaveFile, QStringLiteral("Back up to file"), start,
                                 QStringLiteral("Qel databases (*.db)"));
  if (target.isEmpty()) return;
  try {
    const qint64 bytes = Busy([&] { return BackupTo(kDatabaseFile, target); });
    ReportJob(QStringLiteral("Backed up to %1 (%2 bytes).\nTo restore it, close Qel and put the "
                             "copy in place as qel.db.")
                  .arg(QFileInfo(target).absoluteFilePath())
                  .arg(bytes));
  } catch (const DataError& error) {
    MsgBox(error.message());
  }
}

// ---------------------------------------------------------------------------------------------
// Schedule and printed card

void frmCust::ScheduleCommand() {
  Show<frmSchedule>();
}

void frmCust::PrintCommand() {
  // The card shows what the file holds: the customer the window stands on, as saved.
  if (CustomerSet->Bof() || CustomerSet->Eof()) {
    MsgBox(QStringLiteral("There is no saved customer to print."));
    return;
  }
  std::optional<CustomerCard> card;
  try {
    card = ReadCustomerCard(*DbConnection, CustomerSet->Bookmark());
  } catch (const DataError& error) {
    // A row another program deleted, or a file it keeps locked: nothing is printed.
    MsgBox(error.message());
    return;
  }
  if (!card) {
    MsgBox(QStringLiteral("This customer is no longer in the file."));
    return;
  }
  CustomerCard printed = *card;
  if (NewMode || ModifyMode) {
    const QString note = NewMode
                             ? QStringLiteral(
                                   "The new customer is not saved yet: the card shows the customer "
                                   "shown before, as saved.")
                             : QStringLiteral(
                                   "The card shows the customer as saved: changes not saved yet "
                                   "are not printed.");
    MsgBox(note);
    printed.note += QStringLiteral(" — ") + note;
  }
  ShowPrintPreview(this, printed);
}
