#include "ui/result/frmsearchresult.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include "data/recordset.h"
#include "data/sqltext.h"
#include "ui/listheadings.h"
#include "ui/program/module1.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/clearcontrols.h"
#include "ui/toolkit/editablecombo.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/listgrid.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/msgbox.h"
#include "ui/toolkit/placement.h"
#include "ui/toolkit/twips.h"

namespace {

// Properties of a value label: its design width and how wide it may grow.
const char* const kDesignWidth = "qelDesignWidth";
const char* const kRoom = "qelRoom";

// Moves a label of the position strip up or down so that its text stands on the baseline (in
// its parent's coordinates), whatever its font and design height.
void SitOnBaseline(QLabel* label, int baseline) {
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  const int ascent = QFontMetrics(label->font()).ascent();
  label->move(label->x(), baseline - ascent - label->contentsRect().top());
}

// The window's controls, in the order they are made. Inside the tab control, positions are
// designed from its outer corner, tab row included; the pages begin below the tab row. Each
// caption names the value after it, which a screen reader announces, also when it is empty.
using K = placement::Kind;
using placement::Ming;
const auto kValue = placement::kWindowFont;
const char* const kTitleColour = "QGroupBox { color: rgb(128, 64, 64); }";
// clang-format off
const placement::Control kLayout[] = {
    {K::IconButton, "cmdFirst", nullptr, {240, 0, 500, 500}, QT_TRANSLATE_NOOP("frmSearchResult", "first"), {}, nullptr, "nav_first"},
    {K::IconButton, "cmdPrevious", nullptr, {840, 0, 500, 500}, QT_TRANSLATE_NOOP("frmSearchResult", "previous"), {}, nullptr, "nav_previous"},
    {K::IconButton, "cmdNext", nullptr, {1440, 0, 500, 500}, QT_TRANSLATE_NOOP("frmSearchResult", "next"), {}, nullptr, "nav_next"},
    {K::IconButton, "cmdLast", nullptr, {2040, 0, 500, 500}, QT_TRANSLATE_NOOP("frmSearchResult", "last"), {}, nullptr, "nav_last"},
    {K::Label, "Label7", nullptr, {2880, 240, 735, 375}, QT_TRANSLATE_NOOP("frmSearchResult", "Total："), Ming(11.25)},
    {K::Label, "lblCurrent", nullptr, {3720, 240, 615, 495}, "１", {}, nullptr, QT_TRANSLATE_NOOP("frmSearchResult", "Position")},
    {K::Label, "Label15", nullptr, {4100, 280, 255, 255}, "／", Ming(11.25)},
    {K::Label, "lblTotal", nullptr, {4440, 240, 495, 375}, "１", {}, nullptr, QT_TRANSLATE_NOOP("frmSearchResult", "Total")},
    {K::Button, "cmdExit", nullptr, {7200, 240, 735, 375}, QT_TRANSLATE_NOOP("frmSearchResult", "Exit"), Ming(12)},
    {K::Tabs, "SSTab1", nullptr, {240, 840, 8955, 7095}, "", {}, nullptr, "row"},
    {K::Page, "SSTab1Page0", "SSTab1", {}, QT_TRANSLATE_NOOP("frmSearchResult", "Individual")},
    {K::Page, "SSTab1Page1", "SSTab1", {}, QT_TRANSLATE_NOOP("frmSearchResult", "Family")},
    {K::Page, "SSTab1Page2", "SSTab1", {}, QT_TRANSLATE_NOOP("frmSearchResult", "Insurance")},
    {K::Page, "SSTab1Page3", "SSTab1", {}, QT_TRANSLATE_NOOP("frmSearchResult", "Compensation")},
    {K::Page, "SSTab1Page4", "SSTab1", {}, QT_TRANSLATE_NOOP("frmSearchResult", "Contact")},
    {K::Frame, "Frame1", "SSTab1Page0", {120, 600, 8415, 3375}, QT_TRANSLATE_NOOP("frmSearchResult", "Personal"), placement::Sans(12, true), nullptr, kTitleColour},
    {K::Frame, "Frame2", "SSTab1Page0", {240, 4320, 8295, 2535}, QT_TRANSLATE_NOOP("frmSearchResult", "Company"), placement::Sans(12, true), nullptr, kTitleColour},
    {K::Caption, "lblName1", "Frame1", {240, 400}, QT_TRANSLATE_NOOP("frmSearchResult", "Name"), Ming(12), "lblName"},
    {K::Value, "lblName", "Frame1", {1200, 360, 3135, 255}, "", kValue},
    {K::Caption, "Label8", "Frame1", {5400, 405}, QT_TRANSLATE_NOOP("frmSearchResult", "Type"), Ming(11.25), "lblCusttype"},
    // The design's "active border" system colour behind the type.
    {K::Value, "lblCusttype", "Frame1", {6480, 360, 1455, 255}, "", kValue, nullptr, "shaded"},
    {K::Caption, "Label3", "Frame1", {240, 900}, QT_TRANSLATE_NOOP("frmSearchResult", "Birthday"), Ming(11.25)},
    {K::Caption, "Label4", "Frame1", {2040, 900}, QT_TRANSLATE_NOOP("frmSearchResult", "Year"), Ming(11.25), "lblBirthyear"},
    {K::Value, "lblBirthyear", "Frame1", {1200, 840, 735, 255}, "", kValue},
    {K::Caption, "Label5", "Frame1", {3240, 900}, QT_TRANSLATE_NOOP("frmSearchResult", "Month"), Ming(11.25), "lblBirthmonth"},
    {K::Value, "lblBirthmonth", "Frame1", {2640, 840, 495, 255}, "", kValue},
    {K::Caption, "Label6", "Frame1", {4440, 900}, QT_TRANSLATE_NOOP("frmSearchResult", "Day"), Ming(11.25), "lblBirthday"},
    {K::Value, "lblBirthday", "Frame1", {3840, 840, 495, 255}, "", kValue},
    {K::Caption, "Label10", "Frame1", {5400, 840}, QT_TRANSLATE_NOOP("frmSearchResult", "Marriage"), Ming(11.25), "lblMarriage"},
    {K::Value, "lblMarriage", "Frame1", {6480, 840, 1455, 255}, "", kValue},
    {K::Caption, "Label2", "Frame1", {240, 1320}, QT_TRANSLATE_NOOP("frmSearchResult", "Sex"), Ming(11.25), "lblSex"},
    {K::Value, "lblSex", "Frame1", {1200, 1320, 975, 255}, "", kValue},
    {K::Caption, "Label9", "Frame1", {3240, 1320}, QT_TRANSLATE_NOOP("frmSearchResult", "Blood"), Ming(11.25), "lblBlood"},
    {K::Value, "lblBlood", "Frame1", {3840, 1320, 735, 255}, "", kValue},
    {K::Caption, "Label25", "Frame1", {5400, 1320}, QT_TRANSLATE_NOOP("frmSearchResult", "Birthplace"), Ming(11.25), "lblBirthplace"},
    {K::Value, "lblBirthplace", "Frame1", {6480, 1320, 1455, 255}, "", kValue},
    {K::Caption, "Label1", "Frame1", {240, 1800}, QT_TRANSLATE_NOOP("frmSearchResult", "ID"), Ming(11.25), "lblCustId"},
    {K::Value, "lblCustId", "Frame1", {1200, 1800, 1935, 255}, "", kValue},
    {K::Caption, "Label13", "Frame1", {3360, 1800}, QT_TRANSLATE_NOOP("frmSearchResult", "Email"), Ming(11.25), "lblEmail"},
    {K::Value, "lblEmail", "Frame1", {4320, 1800, 3615, 255}, "", kValue},
    {K::Caption, "Label11", "Frame1", {240, 2400}, QT_TRANSLATE_NOOP("frmSearchResult", "Tel(H)"), Ming(11.25), "lblTelHome"},
    {K::Value, "lblTelHome", "Frame1", {1200, 2400, 1935, 255}, "", kValue},
    {K::Caption, "lbl", "Frame1", {3360, 2400}, QT_TRANSLATE_NOOP("frmSearchResult", "Mobile"), Ming(11.25), "lblCellphone"},
    {K::Value, "lblCellphone", "Frame1", {4320, 2400, 1335, 255}, "", kValue},
    {K::Caption, "Label14", "Frame1", {5760, 2400}, QT_TRANSLATE_NOOP("frmSearchResult", "Other"), Ming(11.25), "lblOther"},
    {K::Value, "lblOther", "Frame1", {6240, 2400, 1695, 255}, "", kValue},
    {K::Caption, "Label12", "Frame1", {240, 2880}, QT_TRANSLATE_NOOP("frmSearchResult", "Add(H)"), Ming(11.25), "lblAddHome"},
    {K::Value, "lblAddHome", "Frame1", {1200, 2880, 6735, 255}, "", kValue},
    {K::Caption, "Label17", "Frame2", {240, 360}, QT_TRANSLATE_NOOP("frmSearchResult", "Company"), Ming(11.25), "lblCompany"},
    {K::Value, "lblCompany", "Frame2", {1200, 360, 2175, 255}, "", kValue},
    {K::Caption, "Label18", "Frame2", {4080, 360}, QT_TRANSLATE_NOOP("frmSearchResult", "Business"), Ming(11.25), "lblJobtype"},
    {K::Value, "lblJobtype", "Frame2", {4920, 360, 2895, 255}, "", kValue},
    {K::Caption, "Label19", "Frame2", {600, 840}, QT_TRANSLATE_NOOP("frmSearchResult", "Title"), Ming(11.25), "lblJobtitle"},
    {K::Value, "lblJobtitle", "Frame2", {1200, 840, 2175, 255}, "", kValue},
    {K::Caption, "Label20", "Frame2", {3960, 840}, QT_TRANSLATE_NOOP("frmSearchResult", "Job Grade"), Ming(11.25), "lblJobgrade"},
    {K::Value, "lblJobgrade", "Frame2", {4920, 840, 495, 255}, "", kValue},
    {K::Caption, "Label21", "Frame2", {5400, 840}, QT_TRANSLATE_NOOP("frmSearchResult", "Income"), Ming(11.25), "lblSalary"},
    {K::Value, "lblSalary", "Frame2", {6120, 840, 1695, 255}, "", kValue},
    {K::Caption, "Label22", "Frame2", {480, 1440}, QT_TRANSLATE_NOOP("frmSearchResult", "Tel(O)"), Ming(11.25), "lblTelcompany"},
    {K::Value, "lblTelcompany", "Frame2", {1200, 1440, 2175, 255}, "", kValue},
    {K::Caption, "Label24", "Frame2", {4440, 1440}, QT_TRANSLATE_NOOP("frmSearchResult", "Fax"), Ming(11.25), "lblFaxcompany"},
    {K::Value, "lblFaxcompany", "Frame2", {4920, 1440, 2895, 255}, "", kValue},
    {K::Caption, "Label23", "Frame2", {360, 1920}, QT_TRANSLATE_NOOP("frmSearchResult", "Add(O)"), Ming(11.25), "lblAddcompany"},
    {K::Value, "lblAddcompany", "Frame2", {1200, 1920, 6615, 255}, "", kValue},
    {K::Grid, "msfgFamily", "SSTab1Page1", {480, 1080, 7935, 5535}, QT_TRANSLATE_NOOP("frmSearchResult", "Family"), Ming(12), nullptr, "8"},
    {K::Grid, "msfgInsurlife", "SSTab1Page2", {480, 1080, 7935, 5535}, QT_TRANSLATE_NOOP("frmSearchResult", "Insurance"), Ming(12), nullptr, "11"},
    {K::Grid, "msfgCompenlife", "SSTab1Page3", {480, 1080, 7935, 5535}, QT_TRANSLATE_NOOP("frmSearchResult", "Compensation"), Ming(12), nullptr, "7"},
    {K::Grid, "msfgContact", "SSTab1Page4", {480, 1080, 7935, 5535}, QT_TRANSLATE_NOOP("frmSearchResult", "Contact"), Ming(12), nullptr, "8"},
};
// clang-format on

}  // namespace

frmSearchResult::frmSearchResult() {
  setObjectName(QStringLiteral("frmSearchResult"));
  setWindowTitle(tr("RESULT"));
  setFixedSize(TwipsToPixels(9480), TwipsToPixels(8220));

  FETCH_CONTROLS(placement::Place(this, kLayout), cmdFirst, cmdPrevious, cmdNext, cmdLast, Label7,
                 lblCurrent, Label15, lblTotal, cmdExit, SSTab1, Frame1, Frame2, lblName1, Label8,
                 Label3, Label4, Label5, Label6, Label10, Label2, Label9, Label25, Label1, Label13,
                 Label11, lbl, Label14, Label12, Label17, Label18, Label19, Label20, Label21,
                 Label22, Label24, Label23, lblName, lblCusttype, lblBirthyear, lblBirthmonth,
                 lblBirthday, lblCustId, lblSex, lblBlood, lblBirthplace, lblMarriage, lblEmail,
                 lblTelHome, lblCellphone, lblOther, lblAddHome, lblCompany, lblJobtype,
                 lblJobtitle, lblJobgrade, lblSalary, lblTelcompany, lblFaxcompany, lblAddcompany,
                 msfgFamily, msfgInsurlife, msfgCompenlife, msfgContact);
  // "Total：", the position, "／" and the total read as one line: all four on the baseline that
  // "Total：" has centred in its box.
  const QFontMetrics totalMetrics(Label7->font());
  const int baseline =
      Label7->y() + (Label7->height() + totalMetrics.ascent() - totalMetrics.descent()) / 2;
  for (QLabel* label : {Label7, lblCurrent, Label15, lblTotal}) SitOnBaseline(label, baseline);
  for (ListGrid* grid : {msfgFamily, msfgInsurlife, msfgCompenlife, msfgContact}) {
    // Moving the current cell (clearing leaves it in the last column) must not scroll the
    // list away from its first two columns, which are the ones this window fills.
    grid->setAutoScroll(false);
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
    const QStringList translated = TranslatedHeadings(*texts);
    for (qsizetype col = 0; col < translated.size(); ++col) {
      grid->SetText(translated.at(col));
      if (col + 1 < translated.size()) grid->SetCol(int(col + 1));
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
    MsgBox(tr("Bottom！"));
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
    MsgBox(tr("Top！"));
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
    const QString value =
        found ? CustomerSet->Field(QLatin1String(column)).value_or(QString()) : QString();
    // A value the customer window offers as an entry reads as that entry does.
    const bool entry =
        label == lblCusttype || label == lblSex || label == lblMarriage || label == lblSalary;
    SetValue(label, entry ? StoredLabel(value) : value);
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
