#include "ui/result/frmsearchresult.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include "app/module1.h"
#include "data/recordset.h"
#include "data/sqltext.h"
#include "ui/listheadings.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/clearcontrols.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/listgrid.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/msgbox.h"
#include "ui/toolkit/twips.h"

namespace {

// Properties of a value label: its design width and how wide it may grow.
const char* const kDesignWidth = "qelDesignWidth";
const char* const kRoom = "qelRoom";

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

// A number of the position strip (design text the full-width "１"): a screen reader announces
// what it counts, then the number it shows (SetValue).
QLabel* MakePositionLabel(QWidget* parent, const QString& name, const QString& meaning, int left,
                          int width, int height) {
  QLabel* label = MakeLabel(parent, name, QStringLiteral("１"));
  label->setAccessibleName(meaning);
  PlaceTwips(label, left, 240, width, height);
  return label;
}

// Moves a label of the position strip up or down so that its text stands on the baseline (in
// its parent's coordinates), whatever its font and design height.
void SitOnBaseline(QLabel* label, int baseline) {
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  const int ascent = QFontMetrics(label->font()).ascent();
  label->move(label->x(), baseline - ascent - label->contentsRect().top());
}

// A caption label: fixed text at its design position, as wide as its text needs.
QLabel* MakeCaption(QWidget* parent, const QString& name, const QString& text, int left, int top,
                    double pointSize = 11.25) {
  QLabel* label = MakeLabel(parent, name, text);
  label->setFont(MingLiU(pointSize));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->adjustSize();
  label->move(TwipsToPixels(left), TwipsToPixels(top));
  return label;
}

// A value label: a screen reader announces its caption, also when the value is empty, then the
// value (SetValue).
QLabel* MakeValue(QWidget* parent, const QString& name, const QLabel* caption, int left, int top,
                  int width, const QFont& font) {
  QLabel* label = MakeLabel(parent, name, QString());
  label->setFont(font);
  label->setAccessibleName(caption->text());
  PlaceTwips(label, left, top, width, 255);
  return label;
}

QPushButton* MakeNavigationButton(QWidget* parent, const QString& name, const QString& key,
                                  int left) {
  auto* button = new QPushButton(parent);
  button->setObjectName(name);
  button->setIcon(SvgIcon(QStringLiteral("nav_") + key));
  button->setIconSize(QSize(24, 24));
  button->setAccessibleName(key);
  button->setToolTip(key);
  PlaceTwips(button, left, 0, 500, 500);
  return button;
}

ListGrid* MakeGrid(QWidget* page, const QString& name, const QString& caption, int cols) {
  auto* grid = new ListGrid(page);
  grid->setObjectName(name);
  grid->setAccessibleName(caption);
  grid->setFont(MingLiU(12));
  // The heading row is a row of the grid: the same font, whatever the style gives headers.
  grid->horizontalHeader()->setFont(MingLiU(12));
  grid->SetCols(cols);
  grid->SetRows(2);
  // Moving the current cell (clearing leaves it in the last column) must not scroll the
  // list away from its first two columns, which are the ones this window fills.
  grid->setAutoScroll(false);
  return grid;
}

}  // namespace

frmSearchResult::frmSearchResult() {
  setObjectName(QStringLiteral("frmSearchResult"));
  setWindowTitle(QStringLiteral("RESULT"));
  setFixedSize(TwipsToPixels(9480), TwipsToPixels(8220));
  const QFont valueFont = font();

  cmdFirst = MakeNavigationButton(this, QStringLiteral("cmdFirst"), QStringLiteral("first"), 240);
  cmdPrevious =
      MakeNavigationButton(this, QStringLiteral("cmdPrevious"), QStringLiteral("previous"), 840);
  cmdNext = MakeNavigationButton(this, QStringLiteral("cmdNext"), QStringLiteral("next"), 1440);
  cmdLast = MakeNavigationButton(this, QStringLiteral("cmdLast"), QStringLiteral("last"), 2040);

  Label7 = MakeLabel(this, QStringLiteral("Label7"), QStringLiteral("Total："));
  Label7->setFont(MingLiU(11.25));
  PlaceTwips(Label7, 2880, 240, 735, 375);
  lblCurrent = MakePositionLabel(this, QStringLiteral("lblCurrent"), QStringLiteral("Position"),
                                 3720, 615, 495);
  Label15 = MakeLabel(this, QStringLiteral("Label15"), QStringLiteral("／"));
  Label15->setFont(MingLiU(11.25));
  PlaceTwips(Label15, 4100, 280, 255, 255);
  lblTotal =
      MakePositionLabel(this, QStringLiteral("lblTotal"), QStringLiteral("Total"), 4440, 495, 375);
  // "Total：", the position, "／" and the total read as one line: all four on the baseline that
  // "Total：" has centred in its box.
  const QFontMetrics totalMetrics(Label7->font());
  const int baseline =
      Label7->y() + (Label7->height() + totalMetrics.ascent() - totalMetrics.descent()) / 2;
  for (QLabel* label : {Label7, lblCurrent, Label15, lblTotal}) SitOnBaseline(label, baseline);

  cmdExit = new QPushButton(QStringLiteral("Exit"), this);
  cmdExit->setObjectName(QStringLiteral("cmdExit"));
  cmdExit->setFont(MingLiU(12));
  PlaceTwips(cmdExit, 7200, 240, 735, 375);

  SSTab1 = new QTabWidget(this);
  SSTab1->setObjectName(QStringLiteral("SSTab1"));
  PlaceTwips(SSTab1, 240, 840, 8955, 7095);
  QWidget* pages[5];
  const QStringList captions{"Individual", "Family", "Insurance", "Compensation", "Contact"};
  for (int i = 0; i < 5; ++i) {
    pages[i] = new QWidget(SSTab1);
    pages[i]->setObjectName(QStringLiteral("SSTab1Page%1").arg(i));
    SSTab1->addTab(pages[i], captions[i]);
  }
  // Positions inside the tab control are designed from its outer corner, tab row included;
  // the pages begin below the tab row.
  const int tabRow = PixelsToTwips(SSTab1->tabBar()->sizeHint().height());

  Frame1 = new QGroupBox(QStringLiteral("Personal"), pages[0]);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  PlaceTwips(Frame1, 120, 600 - tabRow, 8415, 3375);
  Frame2 = new QGroupBox(QStringLiteral("Company"), pages[0]);
  Frame2->setObjectName(QStringLiteral("Frame2"));
  PlaceTwips(Frame2, 240, 4320 - tabRow, 8295, 2535);
  for (QGroupBox* frame : {Frame1, Frame2}) {
    // The caption's font and colour only: the frame's contents keep their own.
    frame->setFont(Tahoma(12, true));
    frame->setStyleSheet(QStringLiteral("QGroupBox { color: rgb(128, 64, 64); }"));
  }

  QWidget* f = Frame1;
  lblName1 = MakeCaption(f, QStringLiteral("lblName1"), QStringLiteral("Name"), 240, 400, 12);
  lblName = MakeValue(f, QStringLiteral("lblName"), lblName1, 1200, 360, 3135, valueFont);
  Label8 = MakeCaption(f, QStringLiteral("Label8"), QStringLiteral("Type"), 5400, 405);
  lblCusttype = MakeValue(f, QStringLiteral("lblCusttype"), Label8, 6480, 360, 1455, valueFont);
  // The design's "active border" system colour behind the type.
  lblCusttype->setAutoFillBackground(true);
  QPalette typePalette = lblCusttype->palette();
  typePalette.setColor(QPalette::Window, typePalette.color(QPalette::Midlight));
  lblCusttype->setPalette(typePalette);
  Label3 = MakeCaption(f, QStringLiteral("Label3"), QStringLiteral("Birthday"), 240, 900);
  Label4 = MakeCaption(f, QStringLiteral("Label4"), QStringLiteral("Year"), 2040, 900);
  lblBirthyear = MakeValue(f, QStringLiteral("lblBirthyear"), Label4, 1200, 840, 735, valueFont);
  Label5 = MakeCaption(f, QStringLiteral("Label5"), QStringLiteral("Month"), 3240, 900);
  lblBirthmonth = MakeValue(f, QStringLiteral("lblBirthmonth"), Label5, 2640, 840, 495, valueFont);
  Label6 = MakeCaption(f, QStringLiteral("Label6"), QStringLiteral("Day"), 4440, 900);
  lblBirthday = MakeValue(f, QStringLiteral("lblBirthday"), Label6, 3840, 840, 495, valueFont);
  Label10 = MakeCaption(f, QStringLiteral("Label10"), QStringLiteral("Marriage"), 5400, 840);
  lblMarriage = MakeValue(f, QStringLiteral("lblMarriage"), Label10, 6480, 840, 1455, valueFont);
  Label2 = MakeCaption(f, QStringLiteral("Label2"), QStringLiteral("Sex"), 240, 1320);
  lblSex = MakeValue(f, QStringLiteral("lblSex"), Label2, 1200, 1320, 975, valueFont);
  Label9 = MakeCaption(f, QStringLiteral("Label9"), QStringLiteral("Blood"), 3240, 1320);
  lblBlood = MakeValue(f, QStringLiteral("lblBlood"), Label9, 3840, 1320, 735, valueFont);
  Label25 = MakeCaption(f, QStringLiteral("Label25"), QStringLiteral("Birthplace"), 5400, 1320);
  lblBirthplace =
      MakeValue(f, QStringLiteral("lblBirthplace"), Label25, 6480, 1320, 1455, valueFont);
  Label1 = MakeCaption(f, QStringLiteral("Label1"), QStringLiteral("ID"), 240, 1800);
  lblCustId = MakeValue(f, QStringLiteral("lblCustId"), Label1, 1200, 1800, 1935, valueFont);
  Label13 = MakeCaption(f, QStringLiteral("Label13"), QStringLiteral("Email"), 3360, 1800);
  lblEmail = MakeValue(f, QStringLiteral("lblEmail"), Label13, 4320, 1800, 3615, valueFont);
  Label11 = MakeCaption(f, QStringLiteral("Label11"), QStringLiteral("Tel(H)"), 240, 2400);
  lblTelHome = MakeValue(f, QStringLiteral("lblTelHome"), Label11, 1200, 2400, 1935, valueFont);
  lbl = MakeCaption(f, QStringLiteral("lbl"), QStringLiteral("Mobile"), 3360, 2400);
  lblCellphone = MakeValue(f, QStringLiteral("lblCellphone"), lbl, 4320, 2400, 1335, valueFont);
  Label14 = MakeCaption(f, QStringLiteral("Label14"), QStringLiteral("Other"), 5760, 2400);
  lblOther = MakeValue(f, QStringLiteral("lblOther"), Label14, 6240, 2400, 1695, valueFont);
  Label12 = MakeCaption(f, QStringLiteral("Label12"), QStringLiteral("Add(H)"), 240, 2880);
  lblAddHome = MakeValue(f, QStringLiteral("lblAddHome"), Label12, 1200, 2880, 6735, valueFont);

  f = Frame2;
  Label17 = MakeCaption(f, QStringLiteral("Label17"), QStringLiteral("Company"), 240, 360);
  lblCompany = MakeValue(f, QStringLiteral("lblCompany"), Label17, 1200, 360, 2175, valueFont);
  Label18 = MakeCaption(f, QStringLiteral("Label18"), QStringLiteral("Business"), 4080, 360);
  lblJobtype = MakeValue(f, QStringLiteral("lblJobtype"), Label18, 4920, 360, 2895, valueFont);
  Label19 = MakeCaption(f, QStringLiteral("Label19"), QStringLiteral("Title"), 600, 840);
  lblJobtitle = MakeValue(f, QStringLiteral("lblJobtitle"), Label19, 1200, 840, 2175, valueFont);
  Label20 = MakeCaption(f, QStringLiteral("Label20"), QStringLiteral("Job Grade"), 3960, 840);
  lblJobgrade = MakeValue(f, QStringLiteral("lblJobgrade"), Label20, 4920, 840, 495, valueFont);
  Label21 = MakeCaption(f, QStringLiteral("Label21"), QStringLiteral("Income"), 5400, 840);
  lblSalary = MakeValue(f, QStringLiteral("lblSalary"), Label21, 6120, 840, 1695, valueFont);
  Label22 = MakeCaption(f, QStringLiteral("Label22"), QStringLiteral("Tel(O)"), 480, 1440);
  lblTelcompany =
      MakeValue(f, QStringLiteral("lblTelcompany"), Label22, 1200, 1440, 2175, valueFont);
  Label24 = MakeCaption(f, QStringLiteral("Label24"), QStringLiteral("Fax"), 4440, 1440);
  lblFaxcompany =
      MakeValue(f, QStringLiteral("lblFaxcompany"), Label24, 4920, 1440, 2895, valueFont);
  Label23 = MakeCaption(f, QStringLiteral("Label23"), QStringLiteral("Add(O)"), 360, 1920);
  lblAddcompany =
      MakeValue(f, QStringLiteral("lblAddcompany"), Label23, 1200, 1920, 6615, valueFont);

  msfgFamily =
      MakeGrid(pages[1], QStringLiteral("msfgFamily"), captions[1], int(kFamilyHeadings.size()));
  msfgInsurlife = MakeGrid(pages[2], QStringLiteral("msfgInsurlife"), captions[2],
                           int(kInsuranceHeadings.size()));
  msfgCompenlife = MakeGrid(pages[3], QStringLiteral("msfgCompenlife"), captions[3],
                            int(kCompensateHeadings.size()));
  msfgContact =
      MakeGrid(pages[4], QStringLiteral("msfgContact"), captions[4], int(kContactHeadings.size()));
  for (ListGrid* grid : {msfgFamily, msfgInsurlife, msfgCompenlife, msfgContact}) {
    PlaceTwips(grid, 480, 1080 - tabRow, 7935, 5535);
  }

  FitValueLabels();

  OnEvent(cmdFirst, &QPushButton::clicked, this, [this] { cmdFirst_Click(); });
  OnEvent(cmdPrevious, &QPushButton::clicked, this, [this] { cmdPrevious_Click(); });
  OnEvent(cmdNext, &QPushButton::clicked, this, [this] { cmdNext_Click(); });
  OnEvent(cmdLast, &QPushButton::clicked, this, [this] { cmdLast_Click(); });
  OnEvent(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
}

frmSearchResult::~frmSearchResult() = default;

void frmSearchResult::SetValue(QLabel* label, const QString& text) {
  label->setText(text);
  // Qt gives a label's text to a screen reader only as its name, which is the caption: the
  // value follows as its description.
  label->setAccessibleDescription(text);
  // A long value may use the free room to its right; what still does not fit is in the tool tip.
  const int room = label->property(kRoom).toInt();
  if (room > 0) {
    const int need = label->indent() + label->fontMetrics().horizontalAdvance(text) + 2;
    const int designWidth = label->property(kDesignWidth).toInt();
    label->resize(qBound(designWidth, need, qMax(designWidth, room)), label->height());
    label->setToolTip(need > label->width() ? text : QString());
  }
}

void frmSearchResult::FitValueLabels() {
  for (QGroupBox* frame : {Frame1, Frame2}) {
    const auto labels = frame->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    for (QLabel* value : labels) {
      if (value->accessibleName().isEmpty()) continue;  // a caption
      const QRect box = value->geometry();
      int right = frame->contentsRect().right() - 4;
      int indent = 0;
      for (QLabel* other : labels) {
        const QRect near = other->geometry();
        if (other == value || near.bottom() < box.top() || near.top() > box.bottom()) continue;
        if (near.left() > box.left()) {
          right = qMin(right, near.left() - 4);
        } else if (near.right() >= box.left() && !other->text().isEmpty()) {
          // A caption running into the value: the value's text starts after it.
          indent = qMax(indent, near.right() - box.left() + 4);
        }
      }
      value->setIndent(indent);
      value->setProperty(kDesignWidth, box.width());
      value->setProperty(kRoom, right - box.left() + 1);
    }
  }
}

void frmSearchResult::Form_Load() {
  CreateDataObjects();
  OpenDataObjects();

  const std::pair<ListGrid*, const QStringList*> headings[] = {
      {msfgFamily, &kFamilyHeadings},
      {msfgInsurlife, &kInsuranceHeadings},
      {msfgCompenlife, &kCompensateHeadings},
      {msfgContact, &kContactHeadings}};
  for (const auto& [grid, texts] : headings) {
    grid->SetRow(0);
    grid->SetCol(0);
    for (qsizetype col = 0; col < texts->size(); ++col) {
      grid->SetText(texts->at(col));
      if (col + 1 < texts->size()) grid->SetCol(int(col + 1));
    }
  }

  ClearControls(this);
  ResultPos = 1;
  ShowCurrentResult();
}

void frmSearchResult::ShowKeys(KeyList keys, Source source, int position) {
  ResultCIDs = std::move(keys);
  ResultCount = int(ResultCIDs.count());
  if (frmSearchResult* open = Loaded<frmSearchResult>()) open->Restart();
  frmSearchResult* result = Show<frmSearchResult>();
  result->m_handedOverBy = source;
  if (position > 1) {
    result->ResultPos = position;
    ClearControls(result);
    result->ShowCurrentResult();
  }
}

void frmSearchResult::Restart() {
  for (QPushButton* button : {cmdFirst, cmdPrevious, cmdNext, cmdLast}) button->setEnabled(true);
  Form_Load();
}

void frmSearchResult::ShowCurrentResult() {
  CurrentCID = ResultCIDs.value(ResultPos);
  ShowResultCustomer(CurrentCID);
  SetValue(lblTotal, QString::number(ResultCount));
  SetValue(lblCurrent, QString::number(ResultPos));
}

void frmSearchResult::ShowEntry() {
  SetValue(lblCurrent, QString::number(ResultPos));
  CurrentCID = ResultCIDs.value(ResultPos);
  ClearControls(this);
  ShowResultCustomer(CurrentCID);
}

void frmSearchResult::cmdFirst_Click() {
  ResultPos = 1;
  ShowEntry();
  cmdFirst->setEnabled(false);
}

void frmSearchResult::cmdLast_Click() {
  ResultPos = ResultCount;
  ShowEntry();
}

void frmSearchResult::cmdNext_Click() {
  if (ResultPos == ResultCount) {
    cmdNext->setEnabled(false);
    MsgBox(QStringLiteral("Bottom！"));
    cmdLast->setEnabled(false);
    cmdPrevious->setEnabled(true);
    return;
  }
  ++ResultPos;
  ShowEntry();
}

void frmSearchResult::cmdPrevious_Click() {
  if (ResultPos <= 1) {
    cmdPrevious->setEnabled(false);
    MsgBox(QStringLiteral("Top！"));
    cmdNext->setEnabled(true);
    return;
  }
  --ResultPos;
  ShowEntry();
}

void frmSearchResult::cmdExit_Click() {
  ClearControls(this);
  // Only a search waits for its result to close; a schedule's result leaves the search window
  // as it is.
  if (m_handedOverBy == Source::Search) frmSearch::ResultsClosed();
  Unload();
}

void frmSearchResult::Recover() {
  // The position stays; the customer at it is read again, or, when nothing can be read, no
  // customer is shown rather than part of one.
  try {
    ShowEntry();
  } catch (const DataError&) {
    ClearControls(this);
    throw;
  }
}

void frmSearchResult::QueryClose() {
  cmdExit_Click();
}

void frmSearchResult::ShowResultCustomer(const QString& key) {
  SqlCustomer = QStringLiteral("select * from customer where CID =") + SqlQuote(key);
  CustomerSet->Close();
  CustomerSet->Open(SqlCustomer, *DbConnection);

  // A key whose customer row is gone (deleted by another program) shows empty labels.
  const bool found = !CustomerSet->Eof();
  const std::pair<QLabel*, const char*> fields[] = {{lblName, "Cust_name"},
                                                    {lblCusttype, "Cust_type"},
                                                    {lblBirthyear, "Cust_birthyear"},
                                                    {lblBirthmonth, "Cust_birthmonth"},
                                                    {lblBirthday, "Cust_birthday"},
                                                    {lblCustId, "Cust_id"},
                                                    {lblSex, "cust_sex"},
                                                    {lblBlood, "Cust_blood"},
                                                    {lblBirthplace, "Cust_birthplace"},
                                                    {lblMarriage, "Cust_marriage"},
                                                    {lblEmail, "Cust_email"},
                                                    {lblTelHome, "Cust_telhome"},
                                                    {lblCellphone, "Cust_cellphone"},
                                                    {lblOther, "Cust_otherphone"},
                                                    {lblAddHome, "Cust_addhome"},
                                                    {lblCompany, "Cust_company"},
                                                    {lblJobtype, "Cust_jobtype"},
                                                    {lblJobtitle, "Cust_jobtitle"},
                                                    {lblJobgrade, "Cust_jobgrade"},
                                                    {lblSalary, "Cust_salary"},
                                                    {lblTelcompany, "Cust_teloffice"},
                                                    {lblFaxcompany, "Cust_fax"},
                                                    {lblAddcompany, "Cust_addoffice"}};
  for (const auto& [label, column] : fields) {
    SetValue(label,
             found ? CustomerSet->Field(QLatin1String(column)).value_or(QString()) : QString());
  }

  // Each list shows the first two columns of its rows, one grid row per record, inserted
  // above the empty last row.
  struct List {
    QString& sql;
    const char* table;
    Recordset* set;
    ListGrid* grid;
    const char* first;
    const char* second;
  };
  const List lists[] = {
      {SqlFamily, "family", FamilySet.get(), msfgFamily, "fam_rel", "fam_name"},
      {SqlInsurance, "insurance", InsuranceSet.get(), msfgInsurlife, "Insur_company", "Insur_type"},
      {SqlCompensate, "compensate", CompensateSet.get(), msfgCompenlife, "Comp_date",
       "Comp_reason"},
      {SqlContact, "contact", ContactSet.get(), msfgContact, "Cont_date", "Cont_time"}};
  for (const List& list : lists) {
    list.sql = QStringLiteral("select * from %1 where CID=").arg(QLatin1String(list.table)) +
               SqlQuote(key);
    list.set->Close();
    list.set->Open(list.sql, *DbConnection);
    int row = 1;
    while (!list.set->Eof()) {
      list.grid->AddItem(
          QStringList{list.set->Field(QLatin1String(list.first)).value_or(QString()),
                      list.set->Field(QLatin1String(list.second)).value_or(QString())},
          row);
      list.set->MoveNext();
      ++row;
    }
  }
}
