#include "ui/customer/frmcust.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
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

// The tab control, able to tell where its pages lie inside it. The design places the controls
// of a tab relative to the tab control's own corner, above which Qt puts the tab bar; the
// pages are therefore shifted back by this offset.
class TabControl : public QTabWidget {
 public:
  using QTabWidget::QTabWidget;
  QPoint PageOffset() {
    ensurePolished();
    QStyleOptionTabWidgetFrame option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this).topLeft();
  }
};

void PlaceInTab(QWidget* widget, const QPoint& pageOffset, int left, int top, int width,
                int height) {
  PlaceTwips(widget, left, top, width, height);
  widget->move(widget->pos() - pageOffset);
}

QLineEdit* MakeTextBox(QWidget* parent, const QString& name, int left, int top, int width,
                       int height) {
  auto* box = new QLineEdit(parent);
  KeepWhole(box);
  box->setObjectName(name);
  box->setFont(MingLiU(9));
  PlaceTwips(box, left, top, width, height);
  return box;
}

// An input's combo box, placed in its frame.
QComboBox* MakeCombo(QWidget* parent, const QString& name, int left, int top, int width, int height,
                     const QStringList& entries) {
  QComboBox* combo = EditableCombo(parent, name, entries);
  combo->setFont(MingLiU(9));
  PlaceTwips(combo, left, top, width, height);
  return combo;
}

// A caption label beside its input: just left of it, or just after it. The label is sized to
// its text so that it is never clipped.
QLabel* MakeCaption(QWidget* input, const QString& name, const QString& text, double points,
                    bool after = false) {
  // The labels after the birthday boxes have little room before the next box.
  const int gap = after ? 2 : 4;
  auto* label = new QLabel(text, input->parentWidget());
  label->setObjectName(name);
  label->setFont(MingLiU(points));
  const QFontMetrics metrics(label->font());
  const int width = metrics.horizontalAdvance(text) + 1;
  const int height = qMax(metrics.height(), input->height());
  const int left = after ? input->geometry().right() + 1 + gap : input->x() - gap - width;
  label->setGeometry(left, input->y() + (input->height() - height) / 2, width, height);
  label->setAlignment((after ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
  label->setBuddy(input);
  input->setAccessibleName(text);
  return label;
}

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

QStringList Numbers(int first, int last) {
  QStringList numbers;
  for (int n = first; n <= last; ++n) numbers << QString::number(n);
  return numbers;
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

  Label6 = new QLabel(QStringLiteral("MM"), this);
  Label6->setObjectName(QStringLiteral("Label6"));
  Label6->setFont(MingLiU(11.25));
  PlaceTwips(Label6, 0, 0, 375, 255);

  BuildToolbar();
  // The label lies under the toolbar, as designed, which covers it.
  Toolbar1->setAutoFillBackground(true);
  Label6->lower();

  auto* tabs = new TabControl(this);
  SSTab1 = tabs;
  SSTab1->setObjectName(QStringLiteral("SSTab1"));
  SSTab1->tabBar()->setFont(MingLiU(12.75));
  PlaceTwips(SSTab1, 240, 840, 8955, 7095);
  const QStringList captions{QStringLiteral("Individual"), QStringLiteral("Family"),
                             QStringLiteral("Insurance"), QStringLiteral("Compensation"),
                             QStringLiteral("Contact")};
  const QStringList pageNames{QStringLiteral("tabIndividual"), QStringLiteral("tabFamily"),
                              QStringLiteral("tabInsurance"), QStringLiteral("tabCompensation"),
                              QStringLiteral("tabContact")};
  QList<QWidget*> pages;
  for (int i = 0; i < captions.size(); ++i) {
    auto* page = new QWidget;
    page->setObjectName(pageNames[i]);
    SSTab1->addTab(page, captions[i]);
    pages << page;
  }
  const QPoint offset = tabs->PageOffset();

  BuildIndividualTab(pages[0], offset);
  BuildListTab(pages[1], offset, msfgFamily, txtInput, QStringLiteral("msfgFamily"),
               QStringLiteral("txtInput"), 8, captions[1]);
  BuildListTab(pages[2], offset, msfgInsurlife, txtInputInsur, QStringLiteral("msfgInsurlife"),
               QStringLiteral("txtInputInsur"), 11, captions[2]);
  BuildListTab(pages[3], offset, msfgCompenlife, txtInputCom, QStringLiteral("msfgCompenlife"),
               QStringLiteral("txtInputCom"), 7, captions[3]);
  BuildListTab(pages[4], offset, msfgContact, txtInputCon, QStringLiteral("msfgContact"),
               QStringLiteral("txtInputCon"), 8, captions[4]);

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
  Toolbar1 = new KeyedToolBar(this);
  Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
  PlaceTwips(Toolbar1, 0, 0, 9480, 555);

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

void frmCust::BuildIndividualTab(QWidget* page, const QPoint& pageOffset) {
  const QFont frameFont = Tahoma(12, true);
  Frame1 = new QGroupBox(QStringLiteral("Personal"), page);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  Frame1->setFont(frameFont);
  PlaceInTab(Frame1, pageOffset, 360, 720, 7935, 3375);
  Frame2 = new QGroupBox(QStringLiteral("Company"), page);
  Frame2->setObjectName(QStringLiteral("Frame2"));
  Frame2->setFont(frameFont);
  PlaceInTab(Frame2, pageOffset, 360, 4440, 7935, 2415);

  QWidget* f1 = Frame1;
  txtName = MakeTextBox(f1, QStringLiteral("txtName"), 1200, 400, 1695, 270);
  txtCID = MakeTextBox(f1, QStringLiteral("txtCID"), 3960, 400, 1335, 270);
  cmbCusttype =
      MakeCombo(f1, QStringLiteral("cmbCusttype"), 6600, 400, 1095, 300,
                {"Customer", "to-be", "Potential ", "Normal ", "unfamilia", "family", "friend"});
  cmbBirthyear =
      MakeCombo(f1, QStringLiteral("cmbBirthyear"), 1200, 840, 855, 300, Numbers(1930, 2004));
  cmbBirthmonth =
      MakeCombo(f1, QStringLiteral("cmbBirthmonth"), 2550, 840, 735, 300, Numbers(1, 12));
  cmbBirthday = MakeCombo(f1, QStringLiteral("cmbBirthday"), 3960, 840, 735, 300, Numbers(1, 31));
  cmbMarriage = MakeCombo(f1, QStringLiteral("cmbMarriage"), 6600, 840, 1095, 300,
                          {"unmarried", "married", "divorce", "other"});
  cmbSex = MakeCombo(f1, QStringLiteral("cmbSex"), 1200, 1320, 975, 300, {"male", "female"});
  cmbBlood = MakeCombo(f1, QStringLiteral("cmbBlood"), 3960, 1320, 975, 300, {"A", "B", "O", "AB"});
  txtBirthplace = MakeTextBox(f1, QStringLiteral("txtBirthplace"), 6600, 1320, 1095, 270);
  txtCustId = MakeTextBox(f1, QStringLiteral("txtCustId"), 1200, 1800, 2535, 270);
  txtEmail = MakeTextBox(f1, QStringLiteral("txtEmail"), 4800, 1800, 2895, 270);
  txtTelHome = MakeTextBox(f1, QStringLiteral("txtTelHome"), 1200, 2400, 1935, 270);
  txtCellphone = MakeTextBox(f1, QStringLiteral("txtCellphone"), 4080, 2400, 1335, 270);
  txtOther = MakeTextBox(f1, QStringLiteral("txtOther"), 6240, 2400, 1455, 270);
  txtAddHome = MakeTextBox(f1, QStringLiteral("txtAddHome"), 1200, 2880, 6495, 270);

  QWidget* f2 = Frame2;
  txtCompany = MakeTextBox(f2, QStringLiteral("txtCompany"), 1200, 360, 2535, 270);
  cmbJobtype = MakeCombo(f2, QStringLiteral("cmbJobtype"), 4920, 360, 2775, 300, {});
  txtJobtitle = MakeTextBox(f2, QStringLiteral("txtJobtitle"), 1200, 840, 2535, 270);
  cmbSalary = MakeCombo(
      f2, QStringLiteral("cmbSalary"), 4920, 840, 2775, 300,
      {"under 100,000", "100,000~200,000", "200,000~300,000", "300,000~400,000", "400,000~500,000",
       "500,000~600,000", "600,000~700,000", "700,000~800,000", "800,000~900,000",
       "900,000~1,000,000", "1,000,000~1,500,000", "1,500,000~2,000,000", "above 2,000,000"});
  cmbJobgrade = MakeCombo(f2, QStringLiteral("cmbJobgrade"), 1200, 1400, 615, 300, Numbers(1, 6));
  txtTelcompany = MakeTextBox(f2, QStringLiteral("txtTelcompany"), 2640, 1440, 2175, 270);
  txtFaxcompany = MakeTextBox(f2, QStringLiteral("txtFaxcompany"), 5520, 1440, 2175, 270);
  txtAddcompany = MakeTextBox(f2, QStringLiteral("txtAddcompany"), 1200, 1920, 6495, 270);

  // Caption labels ("Label6" is the designed "MM" label of the window).
  MakeCaption(txtName, QStringLiteral("Label1"), QStringLiteral("Name"), 12);
  MakeCaption(txtCID, QStringLiteral("Label2"), QStringLiteral("C_No"), 12);
  MakeCaption(cmbCusttype, QStringLiteral("Label3"), QStringLiteral("Type"), 11.25);
  MakeCaption(cmbBirthyear, QStringLiteral("Label4"), QStringLiteral("Birthday"), 11.25);
  MakeCaption(cmbBirthyear, QStringLiteral("Label5"), QStringLiteral("Year"), 11.25, true);
  MakeCaption(cmbBirthmonth, QStringLiteral("Label7"), QStringLiteral("Month"), 11.25, true);
  MakeCaption(cmbBirthday, QStringLiteral("Label8"), QStringLiteral("Day"), 11.25, true);
  MakeCaption(cmbMarriage, QStringLiteral("Label9"), QStringLiteral("Marriage"), 11.25);
  MakeCaption(cmbSex, QStringLiteral("Label10"), QStringLiteral("Sex"), 11.25);
  MakeCaption(cmbBlood, QStringLiteral("Label11"), QStringLiteral("Blood"), 11.25);
  MakeCaption(txtBirthplace, QStringLiteral("Label12"), QStringLiteral("Birthplace"), 11.25);
  MakeCaption(txtCustId, QStringLiteral("Label13"), QStringLiteral("ID"), 11.25);
  MakeCaption(txtEmail, QStringLiteral("Label14"), QStringLiteral("E-Mail"), 11.25);
  MakeCaption(txtTelHome, QStringLiteral("Label15"), QStringLiteral("Tel(H)"), 11.25);
  MakeCaption(txtCellphone, QStringLiteral("Label16"), QStringLiteral("Mobile"), 11.25);
  MakeCaption(txtOther, QStringLiteral("Label17"), QStringLiteral("Other"), 11.25);
  MakeCaption(txtAddHome, QStringLiteral("Label18"), QStringLiteral("Add(H)"), 11.25);
  MakeCaption(txtCompany, QStringLiteral("Label19"), QStringLiteral("Company"), 11.25);
  MakeCaption(cmbJobtype, QStringLiteral("Label20"), QStringLiteral("Business"), 11.25);
  MakeCaption(txtJobtitle, QStringLiteral("Label21"), QStringLiteral("Title"), 11.25);
  MakeCaption(cmbSalary, QStringLiteral("Label22"), QStringLiteral("Income"), 11.25);
  MakeCaption(cmbJobgrade, QStringLiteral("Label23"), QStringLiteral("Job Grade"), 11.25);
  MakeCaption(txtTelcompany, QStringLiteral("Label24"), QStringLiteral("Tel(O)"), 11.25);
  MakeCaption(txtFaxcompany, QStringLiteral("Label25"), QStringLiteral("Fax"), 11.25);
  MakeCaption(txtAddcompany, QStringLiteral("Label26"), QStringLiteral("Add(O)"), 11.25);
  cmbBirthyear->setAccessibleName(QStringLiteral("Birthday Year"));
}

void frmCust::BuildListTab(QWidget* page, const QPoint& pageOffset, ListGrid*& grid,
                           CellEditor*& editor, const QString& gridName, const QString& editorName,
                           int cols, const QString& caption) {
  grid = new ListGrid(page);
  grid->setObjectName(gridName);
  grid->setAccessibleName(caption);
  grid->setFont(MingLiU(12));
  // The heading row is a row of the grid: the same font, whatever the style gives headers.
  grid->horizontalHeader()->setFont(MingLiU(12));
  grid->SetCols(cols);
  grid->SetRows(2);
  PlaceInTab(grid, pageOffset, 480, 1080, 7935, 5535);

  editor = new CellEditor(grid, page);
  editor->setObjectName(editorName);
  editor->setAccessibleName(caption + QStringLiteral(" cell"));
  editor->setFont(MingLiU(12));
  PlaceInTab(editor, pageOffset, 480, 1080, 855, 375);
  editor->hide();
  editor->raise();
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
  const bool opening = !Loaded<frmSearch>();
  frmSearch* search = Show<frmSearch>();
  if (!opening) return;
  // A newly opened search window stands beside this one, not over it, where the screen allows.
  const QRect screen = this->screen()->availableGeometry();
  const QRect beside(frameGeometry().topRight() + QPoint(8, 0), search->frameGeometry().size());
  if (screen.contains(beside)) search->move(beside.topLeft());
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
              QStringLiteral("Access or CSV files (*.mdb *.accdb *.csv)"));
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
    // The imported customers join the ones browsed; the window starts over at the first.
    try {
      CustomerSet->Requery();
    } catch (const DataError& error) {
      MsgBox(error.message());
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
