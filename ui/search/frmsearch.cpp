#include "ui/search/frmsearch.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "app/module1.h"
#include "data/connection.h"
#include "data/schema.h"
#include "ui/customer/frmcust.h"
#include "ui/result/frmsearchresult.h"
#include "ui/search/searchstatement.h"
#include "ui/toolkit/editablecombo.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/msgbox.h"
#include "ui/toolkit/twips.h"

namespace {

QLabel* MakeCaption(QWidget* parent, const QString& name, const QString& text, int left, int top,
                    int width, int height) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setFont(MingLiU(11.25));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  PlaceTwips(label, left, top, width, height);
  // A caption whose text needs more room than its design box gets it: it is never cut off.
  const QSize need = label->sizeHint();
  label->resize(qMax(label->width(), need.width()), qMax(label->height(), need.height()));
  return label;
}

QLineEdit* MakeTextBox(QWidget* parent, const QString& name, QLabel* caption, int left, int top,
                       int width, int height) {
  auto* box = new QLineEdit(kOpenCriterion, parent);
  KeepWhole(box);
  box->setObjectName(name);
  box->setAccessibleName(caption->text());
  caption->setBuddy(box);
  PlaceTwips(box, left, top, width, height);
  return box;
}

// A criterion's combo box, showing the open criterion at first.
QComboBox* MakeCombo(QWidget* parent, const QString& name, QLabel* caption, int left, int top,
                     int width, int height, const QStringList& entries) {
  QComboBox* combo = EditableCombo(parent, name, entries);
  combo->setEditText(kOpenCriterion);
  combo->setAccessibleName(caption->text());
  caption->setBuddy(combo);
  PlaceTwips(combo, left, top, width, height);
  return combo;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text, int left,
                        int top, int width, int height) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setFont(MingLiU(12));
  PlaceTwips(button, left, top, width, height);
  return button;
}

QStringList Months() {
  QStringList months{kOpenCriterion};
  for (int month = 1; month <= 12; ++month) months << QString::number(month);
  return months;
}

}  // namespace

frmSearch::frmSearch() {
  setObjectName(QStringLiteral("frmSearch"));
  setWindowTitle(QStringLiteral("SEARCH"));
  setFixedSize(TwipsToPixels(6810), TwipsToPixels(3315));

  // Captions first, so each input can be the buddy of the label above it.
  Label1 = MakeCaption(this, QStringLiteral("Label1"), QStringLiteral("Name"), 720, 360, 495, 255);
  Label2 = MakeCaption(this, QStringLiteral("Label2"), QStringLiteral("Sex"), 2280, 360, 615, 375);
  lbl = MakeCaption(this, QStringLiteral("lbl"), QStringLiteral("Customer Type"), 3600, 360, 1455,
                    255);
  Label6 =
      MakeCaption(this, QStringLiteral("Label6"), QStringLiteral("Add(H)"), 600, 1320, 975, 255);
  Label3 = MakeCaption(this, QStringLiteral("Label3"), QStringLiteral("Borthday(month)"), 1680,
                       1320, 1455, 255);
  Label7 =
      MakeCaption(this, QStringLiteral("Label7"), QStringLiteral("Business"), 3840, 1320, 735, 375);
  Label8 =
      MakeCaption(this, QStringLiteral("Label8"), QStringLiteral("Add(O)"), 480, 2280, 1095, 375);
  Label5 =
      MakeCaption(this, QStringLiteral("Label5"), QStringLiteral("Income"), 2040, 2280, 855, 255);
  Label9 = MakeCaption(this, QStringLiteral("Label9"), QStringLiteral("Marital Status"), 3600, 2280,
                       1335, 255);

  txtCustname = MakeTextBox(this, QStringLiteral("txtCustname"), Label1, 360, 600, 1215, 270);
  cmbCustsex = MakeCombo(this, QStringLiteral("cmbCustsex"), Label2, 1800, 600, 1575, 300,
                         {kOpenCriterion, QStringLiteral("male"), QStringLiteral("female")});
  cmbCusttype =
      MakeCombo(this, QStringLiteral("cmbCusttype"), lbl, 3600, 600, 1455, 300,
                {kOpenCriterion, QStringLiteral("Customer"), QStringLiteral("to-be"),
                 QStringLiteral("Potential "), QStringLiteral("Normal "),
                 QStringLiteral("unfamilia"), QStringLiteral("family"), QStringLiteral("friend")});
  txtAddHome = MakeTextBox(this, QStringLiteral("txtAddHome"), Label6, 360, 1560, 1215, 270);
  cmbBirthmonth =
      MakeCombo(this, QStringLiteral("cmbBirthmonth"), Label3, 1800, 1560, 1575, 300, Months());
  cmbJobtype = MakeCombo(this, QStringLiteral("cmbJobtype"), Label7, 3600, 1560, 1455, 300, {});
  txtAddoffice = MakeTextBox(this, QStringLiteral("txtAddoffice"), Label8, 360, 2520, 1215, 270);
  cmbSalary = MakeCombo(this, QStringLiteral("cmbSalary"), Label5, 1800, 2520, 1575, 300,
                        {kOpenCriterion, QStringLiteral("under 100,000"),
                         QStringLiteral("100,000~200,000"), QStringLiteral("200,000~300,000"),
                         QStringLiteral("300,000~400,000"), QStringLiteral("400,000~500,000"),
                         QStringLiteral("500,000~600,000"), QStringLiteral("600,000~700,000"),
                         QStringLiteral("700,000~800,000"), QStringLiteral("800,000~900,000"),
                         QStringLiteral("900,000~1,000,000"), QStringLiteral("1,000,000~1,500,000"),
                         QStringLiteral("1,500,000~2,000,000"), QStringLiteral("above 2,000,000")});
  cmbMarriage = MakeCombo(this, QStringLiteral("cmbMarriage"), Label9, 3600, 2520, 1455, 300,
                          {kOpenCriterion, QStringLiteral("unmarried"), QStringLiteral("married"),
                           QStringLiteral("divorce"), QStringLiteral("other")});

  cmdStart =
      MakeButton(this, QStringLiteral("cmdStart"), QStringLiteral("Search"), 5400, 480, 1335, 615);
  Command1 =
      MakeButton(this, QStringLiteral("Command1"), QStringLiteral("Reset"), 5400, 1440, 1335, 615);
  cmdEnd =
      MakeButton(this, QStringLiteral("cmdEnd"), QStringLiteral("Exit"), 5400, 2400, 1335, 495);

  // Keyboard order of the design's tab indexes (labels take no focus).
  const QList<QWidget*> order{cmbCustsex,    txtCustname, cmbCusttype, cmdStart,
                              cmbBirthmonth, cmbSalary,   cmbJobtype,  txtAddHome,
                              txtAddoffice,  cmbMarriage, Command1,    cmdEnd};
  for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
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
  SearchConnection().Close();
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

  // A search after one that found customers finds the connection still open and uses it.
  if (!SearchConnection().IsOpen()) OpenDatabase(SearchConnection(), kDatabaseFile);

  const SearchStatement statement = BuildSearchStatement(
      {txtCustname->text(), cmbCustsex->currentText(), cmbCusttype->currentText(),
       txtAddHome->text(), cmbBirthmonth->currentText(), cmbJobtype->currentText(),
       txtAddoffice->text(), cmbSalary->currentText(), cmbMarriage->currentText()},
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
  SearchConnection().ForEachText(SqlSearch, [&keys](QStringView key) { keys.append(key); });

  if (keys.count() == 0) {
    Command1->setEnabled(true);
    MsgBox(QStringLiteral("Non found！Please adjust the condition！"));
    cmdStart->setEnabled(false);
    return;
  }

  MsgBox(QStringLiteral(" %1 items has be found！").arg(keys.count()));
  frmSearchResult::ShowKeys(std::move(keys), frmSearchResult::Source::Search);
}
