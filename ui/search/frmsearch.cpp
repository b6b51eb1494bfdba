#include "ui/search/frmsearch.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "data/connection.h"
#include "data/schema.h"
#include "ui/customer/frmcust.h"
#include "ui/program/module1.h"
#include "ui/result/frmsearchresult.h"
#include "ui/search/searchstatement.h"
#include "ui/storedvalues.h"
#include "ui/toolkit/editablecombo.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/msgbox.h"
#include "ui/toolkit/placement.h"
#include "ui/toolkit/twips.h"

namespace {

using K = placement::Kind;
using placement::Ming;
// The window's controls, in the order they are made: each caption first, naming the criterion
// below it. Every criterion shows the open criterion at first.
// clang-format off
const placement::Control kLayout[] = {
    {K::Caption, "Label1", nullptr, {720, 360, 495, 255}, QT_TRANSLATE_NOOP("frmSearch", "Name"), Ming(11.25), "txtCustname"},
    {K::Caption, "Label2", nullptr, {2280, 360, 615, 375}, QT_TRANSLATE_NOOP("frmSearch", "Sex"), Ming(11.25), "cmbCustsex"},
    {K::Caption, "lbl", nullptr, {3600, 360, 1455, 255}, QT_TRANSLATE_NOOP("frmSearch", "Customer Type"), Ming(11.25), "cmbCusttype"},
    {K::Caption, "Label6", nullptr, {600, 1320, 975, 255}, QT_TRANSLATE_NOOP("frmSearch", "Add(H)"), Ming(11.25), "txtAddHome"},
    {K::Caption, "Label3", nullptr, {1680, 1320, 1455, 255}, QT_TRANSLATE_NOOP("frmSearch", "Borthday(month)"), Ming(11.25), "cmbBirthmonth"},
    {K::Caption, "Label7", nullptr, {3840, 1320, 735, 375}, QT_TRANSLATE_NOOP("frmSearch", "Business"), Ming(11.25), "cmbJobtype"},
    {K::Caption, "Label8", nullptr, {480, 2280, 1095, 375}, QT_TRANSLATE_NOOP("frmSearch", "Add(O)"), Ming(11.25), "txtAddoffice"},
    {K::Caption, "Label5", nullptr, {2040, 2280, 855, 255}, QT_TRANSLATE_NOOP("frmSearch", "Income"), Ming(11.25), "cmbSalary"},
    {K::Caption, "Label9", nullptr, {3600, 2280, 1335, 255}, QT_TRANSLATE_NOOP("frmSearch", "Marital Status"), Ming(11.25), "cmbMarriage"},
    {K::TextBox, "txtCustname", nullptr, {360, 600, 1215, 270}, "NA", {}, nullptr, nullptr, 2},
    {K::Combo, "cmbCustsex", nullptr, {1800, 600, 1575, 300}, "NA", {}, nullptr, "NA|" QEL_SEXES, 1},
    {K::Combo, "cmbCusttype", nullptr, {3600, 600, 1455, 300}, "NA", {}, nullptr, "NA|" QEL_CUSTOMER_TYPES, 3},
    {K::TextBox, "txtAddHome", nullptr, {360, 1560, 1215, 270}, "NA", {}, nullptr, nullptr, 8},
    {K::Combo, "cmbBirthmonth", nullptr, {1800, 1560, 1575, 300}, "NA", {}, nullptr, "NA|1..12", 5},
    {K::Combo, "cmbJobtype", nullptr, {3600, 1560, 1455, 300}, "NA", {}, nullptr, nullptr, 7},
    {K::TextBox, "txtAddoffice", nullptr, {360, 2520, 1215, 270}, "NA", {}, nullptr, nullptr, 9},
    {K::Combo, "cmbSalary", nullptr, {1800, 2520, 1575, 300}, "NA", {}, nullptr, "NA|" QEL_INCOMES, 6},
    {K::Combo, "cmbMarriage", nullptr, {3600, 2520, 1455, 300}, "NA", {}, nullptr, "NA|" QEL_MARRIAGES, 10},
    {K::Button, "cmdStart", nullptr, {5400, 480, 1335, 615}, QT_TRANSLATE_NOOP("frmSearch", "Search"), Ming(12), nullptr, nullptr, 4},
    {K::Button, "Command1", nullptr, {5400, 1440, 1335, 615}, QT_TRANSLATE_NOOP("frmSearch", "Reset"), Ming(12), nullptr, nullptr, 11},
    {K::Button, "cmdEnd", nullptr, {5400, 2400, 1335, 495}, QT_TRANSLATE_NOOP("frmSearch", "Exit"), Ming(12), nullptr, nullptr, 12},
};
// clang-format on

}  // namespace

frmSearch::frmSearch() {
  setObjectName(QStringLiteral("frmSearch"));
  setWindowTitle(tr("SEARCH"));
  setFixedSize(TwipsToPixels(6810), TwipsToPixels(3315));

  FETCH_CONTROLS(placement::Place(this, kLayout), Label1, Label2, lbl, Label6, Label3, Label7,
                 Label8, Label5, Label9, txtCustname, cmbCustsex, cmbCusttype, txtAddHome,
                 cmbBirthmonth, cmbJobtype, txtAddoffice, cmbSalary, cmbMarriage, cmdStart,
                 Command1, cmdEnd);
  cmbCustsex->setFocus();

  OnEvent(cmdStart, &QPushButton::clicked, this, [this] { cmdStart_Click(); });
  OnEvent(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  OnEvent(cmdEnd, &QPushButton::clicked, this, [this] { cmdEnd_Click(); });
}

frmSearch::~frmSearch() = default;

Connection& frmSearch::SearchConnection() {
  if (!m_searchConnection) m_searchConnection = std::make_unique<Connection>();
  return *m_searchConnection;
}

void frmSearch::Form_Load() {
  Command1->setEnabled(false);
  cmdEnd->setEnabled(false);
}

void frmSearch::Command1_Click() {
  cmdStart->setEnabled(true);
  cmdEnd->setEnabled(false);
  // A server's connection stays open for the next search: opening one costs a new session on
  // the server and several round trips. A file opens at no such cost.
  if (!SearchConnection().IsServer()) SearchConnection().Close();
  Command1->setEnabled(false);
  txtCustname->setText(kOpenCriterion);
  cmbCustsex->setEditText(kOpenCriterion);
  cmbCusttype->setEditText(kOpenCriterion);
  txtAddHome->setText(kOpenCriterion);
  cmbBirthmonth->setEditText(kOpenCriterion);
  cmbJobtype->setEditText(kOpenCriterion);
  txtAddoffice->setText(kOpenCriterion);
  cmbSalary->setEditText(kOpenCriterion);
  cmbMarriage->setEditText(kOpenCriterion);
}

void frmSearch::cmdEnd_Click() {
  // The result window goes first, so the two browsing windows never work on the program-wide
  // record sets at the same time; it leaves without handing back to this window.
  ::Unload<frmSearchResult>();
  SearchConnection().Close();
  // The customer window first: should the database be out of reach, this window stays.
  Show<frmCust>();
  Unload();
}

void frmSearch::ResultsClosed() {
  frmSearch* search = Loaded<frmSearch>();
  if (!search) return;
  search->Command1->setEnabled(true);
  search->cmdStart->setEnabled(false);
}

void frmSearch::OpenBeside(const QWidget& window) {
  const bool opening = !Loaded<frmSearch>();
  frmSearch* search = Show<frmSearch>();
  if (!opening) return;
  // A newly opened search window stands beside the other, not over it, where the screen allows.
  const QRect screen = window.screen()->availableGeometry();
  const QRect beside(window.frameGeometry().topRight() + QPoint(8, 0),
                     search->frameGeometry().size());
  if (screen.contains(beside)) search->move(beside.topLeft());
}

void frmSearch::QueryClose() {
  cmdEnd_Click();
}

void frmSearch::cmdStart_Click() {
  ::Unload<frmCust>();
  cmdEnd->setEnabled(true);

  // A search after another finds the connection still open and uses it.
  const bool kept = SearchConnection().IsOpen();
  if (!kept) OpenDatabase(SearchConnection(), kDatabaseFile);

  const SearchStatement statement =
      BuildSearchStatement({txtCustname->text(), ComboValue(cmbCustsex), ComboValue(cmbCusttype),
                            txtAddHome->text(), ComboValue(cmbBirthmonth), ComboValue(cmbJobtype),
                            txtAddoffice->text(), ComboValue(cmbSalary), ComboValue(cmbMarriage)},
                           SearchConnection().IsServer());
  if (txtCustname->text() != statement.name) txtCustname->setText(statement.name);
  CondName = statement.condName;
  CondSex = statement.condSex;
  CondType = statement.condType;
  CondAddHome = statement.condAddHome;
  CondBirthmonth = statement.condBirthmonth;
  CondJobtype = statement.condJobtype;
  CondAddOffice = statement.condAddOffice;
  CondSalary = statement.condSalary;
  CondMarriage = statement.condMarriage;

  SqlSearch = statement.sql;
  // The keys go straight into one compact list, which becomes the hand-over when not empty.
  KeyList keys;
  const auto search = [&] {
    keys.clear();
    SearchConnection().ForEachText(SqlSearch, [&keys](QStringView key) { keys.append(key); });
  };
  try {
    search();
  } catch (const DataError& error) {
    // A connection kept since an earlier search may have been cut meanwhile (a server restart):
    // the search runs once more, on the connection made again.
    if (!kept || error.cause() != DataError::Cause::Lost) throw;
    search();
  }

  if (keys.count() == 0) {
    Command1->setEnabled(true);
    MsgBox(tr("Non found！Please adjust the condition！"));
    cmdStart->setEnabled(false);
    return;
  }

  MsgBox(tr(" %1 items has be found！").arg(keys.count()));
  frmSearchResult::ShowKeys(std::move(keys), frmSearchResult::Source::Search);
}
