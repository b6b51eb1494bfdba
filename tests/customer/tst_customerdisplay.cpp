// The customer window's layout, its start-up and the display of a customer with its lists.

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QTabBar>

#include "app/module1.h"
#include "custtest.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/look.h"

using namespace custtest;

namespace {

// The caption label whose buddy is this input.
QLabel* CaptionOf(QWidget* input) {
  const auto labels = input->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
  for (QLabel* label : labels)
    if (label->buddy() == input) return label;
  return nullptr;
}

QStringList Numbers(int first, int last) {
  QStringList list;
  for (int n = first; n <= last; ++n) list << QString::number(n);
  return list;
}

}  // namespace

class TestCustomerDisplay : public QObject {
  Q_OBJECT

 private slots:
  void layout_inputs_data();
  void layout_inputs();
  void layout_windowTabsAndFonts();
  void layout_toolbar();
  void layout_nothingClippedOrOverlapping();

  void startup_noCustomers_data();
  void startup_noCustomers();
  void startup_firstCustomerWithLists();
  void startup_againShowsFirstCustomer();

  void display_nullValues();
  void display_twiceWithoutClearingDoublesLines();
  void display_noKeyShowsNoOtherCustomersLists();
  void display_listLongerThan32767Rows();
};

void TestCustomerDisplay::layout_inputs_data() {
  QTest::addColumn<QString>("frame");
  QTest::addColumn<QString>("caption");  // ">" marks a caption that stands after its input
  QTest::addColumn<QStringList>("entries");
  auto row = [](const char* name, const char* frame, const char* caption,
                const QStringList& entries = {}) {
    QTest::newRow(name) << frame << caption << entries;
  };
  row("txtName", "Frame1", "Name");
  row("txtCID", "Frame1", "C_No");
  row("cmbCusttype", "Frame1", "Type",
      {"Customer", "to-be", "Potential ", "Normal ", "unfamilia", "family", "friend"});
  row("cmbBirthyear", "Frame1", "Birthday", Numbers(1930, 2004));
  row("cmbBirthmonth", "Frame1", ">Month", Numbers(1, 12));
  row("cmbBirthday", "Frame1", ">Day", Numbers(1, 31));
  row("cmbMarriage", "Frame1", "Marriage", {"unmarried", "married", "divorce", "other"});
  row("cmbSex", "Frame1", "Sex", {"male", "female"});
  row("cmbBlood", "Frame1", "Blood", {"A", "B", "O", "AB"});
  row("txtBirthplace", "Frame1", "Birthplace");
  row("txtCustId", "Frame1", "ID");
  row("txtEmail", "Frame1", "E-Mail");
  row("txtTelHome", "Frame1", "Tel(H)");
  row("txtCellphone", "Frame1", "Mobile");
  row("txtOther", "Frame1", "Other");
  row("txtAddHome", "Frame1", "Add(H)");
  row("txtCompany", "Frame2", "Company");
  row("cmbJobtype", "Frame2", "Business");
  row("txtJobtitle", "Frame2", "Title");
  row("cmbSalary", "Frame2", "Income",
      {"under 100,000", "100,000~200,000", "200,000~300,000", "300,000~400,000", "400,000~500,000",
       "500,000~600,000", "600,000~700,000", "700,000~800,000", "800,000~900,000",
       "900,000~1,000,000", "1,000,000~1,500,000", "1,500,000~2,000,000", "above 2,000,000"});
  row("cmbJobgrade", "Frame2", "Job Grade", Numbers(1, 6));
  row("txtTelcompany", "Frame2", "Tel(O)");
  row("txtFaxcompany", "Frame2", "Fax");
  row("txtAddcompany", "Frame2", "Add(O)");
}

void TestCustomerDisplay::layout_inputs() {
  const QString name = QTest::currentDataTag();
  QFETCH(QString, frame);
  QFETCH(QString, caption);
  QFETCH(QStringList, entries);
  TestEnv env;
  frmCust* window = OpenWindow();
  QCOMPARE(Inputs(window).size(), 24);

  QWidget* input = Control<QWidget>(window, name);
  QCOMPARE(input->parentWidget()->objectName(), frame);
  QVERIFY(input->isVisible());
  QCOMPARE(ShownText(input), QString());
  if (name.startsWith("cmb")) {
    // Typed text stays exactly as typed: no entry added, nothing completed.
    auto* box = qobject_cast<QComboBox*>(input);
    QVERIFY(box && box->isEditable());
    QCOMPARE(box->insertPolicy(), QComboBox::NoInsert);
    QVERIFY(!box->completer());
    QStringList shown;
    for (int i = 0; i < box->count(); ++i) shown << box->itemText(i);
    QCOMPARE(shown, entries);
  } else {
    QVERIFY(qobject_cast<QLineEdit*>(input));
  }
  const bool after = caption.startsWith('>');
  if (after) caption.remove(0, 1);
  QLabel* label = CaptionOf(input);
  QVERIFY2(label, "the input has no caption label");
  QCOMPARE(label->text(), caption);
  // The birth year's caption is "Birthday" before it and "Year" after it.
  QCOMPARE(input->accessibleName(),
           name == "cmbBirthyear" ? QStringLiteral("Birthday Year") : caption);
  // The caption stands left of its input (or right after it), on its line.
  QVERIFY(after ? label->x() > input->geometry().right() : label->geometry().right() < input->x());
  QVERIFY(label->geometry().intersects(QRect(0, input->y(), 10000, input->height())));
}

void TestCustomerDisplay::layout_windowTabsAndFonts() {
  TestEnv env;
  frmCust* window = OpenWindow();
  QCOMPARE(window->windowTitle(), QStringLiteral("MAIN MENU"));
  QVERIFY(!window->windowIcon().isNull());
  QCOMPARE(window->Label6->text(), QStringLiteral("MM"));
  QCOMPARE(window->Frame1->title(), QStringLiteral("Personal"));
  QCOMPARE(window->Frame2->title(), QStringLiteral("Company"));
  QTabWidget* tabs = window->SSTab1;
  QStringList captions;
  for (int i = 0; i < tabs->count(); ++i) captions << tabs->tabText(i);
  QCOMPARE(captions, (QStringList{"Individual", "Family", "Insurance", "Compensation", "Contact"}));
  QCOMPARE(tabs->currentIndex(), 0);

  for (int i = 0; i < 4; ++i) {
    const List list = Lists(window)[i];
    QCOMPARE(list.grid->parentWidget(), tabs->widget(i + 1));
    // The editor floats above its grid, hidden until a cell is clicked.
    QCOMPARE(list.editor->parentWidget(), list.grid->parentWidget());
    const auto siblings = list.grid->parentWidget()->children();
    QVERIFY(siblings.indexOf(list.editor) > siblings.indexOf(list.grid));
    QVERIFY(!list.editor->isVisible());
  }

  // Chinese names render everywhere a customer's text shows; only the frame captions are bold.
  const QString cjk = MingLiU(12).family();
  QList<QWidget*> texts = Inputs(window);
  for (const List& list : Lists(window)) texts << list.grid << list.grid->horizontalHeader();
  for (QWidget* widget : texts) {
    QVERIFY2(widget->font().family() == cjk, qPrintable(widget->objectName()));
    QVERIFY2(!widget->font().bold(), qPrintable(widget->objectName()));
  }
  QCOMPARE(window->Frame1->font(), Tahoma(12, true));
  QCOMPARE(CaptionOf(window->txtName)->font().family(), cjk);
}

void TestCustomerDisplay::layout_toolbar() {
  TestEnv env;
  frmCust* window = OpenWindow();
  QStringList entries;
  const auto actions = window->Toolbar1->actions();
  for (QAction* action : actions) entries << (action->isSeparator() ? "|" : action->text());
  QCOMPARE(entries, (QStringList{"first", "previous", "next", "last", "search", "|", "new",
                                 "modify", "save", "delete", "|", "exit", "|", "import", "export",
                                 "backup", "schedule", "print"}));
  // The tool tips name the shortcuts; the buttons show their pictures.
  const QStringList tips{"first (Ctrl+Home)",
                         "previous (Page Up)",
                         "next (Page Down)",
                         "last (Ctrl+End)",
                         "search (Ctrl+F)",
                         "new (Ctrl+N)",
                         "modify (Ctrl+E)",
                         "save (Ctrl+S)",
                         "delete",
                         "exit"};
  for (const QString& tip : tips) {
    QAction* action = window->Toolbar1->Buttons(tip.section(' ', 0, 0));
    QVERIFY2(action, qPrintable(tip));
    QCOMPARE(action->toolTip(), tip);
    QVERIFY2(!action->icon().isNull(), qPrintable(tip));
    QVERIFY(window->Toolbar1->widgetForAction(action)->isVisible());
  }
}

void TestCustomerDisplay::layout_nothingClippedOrOverlapping() {
  TestEnv env;
  frmCust* window = OpenWindow();
  for (QGroupBox* frame : {window->Frame1, window->Frame2}) {
    const auto children = frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    // Below the frame's caption and inside its border.
    const int titleBottom = frame->fontMetrics().height();
    for (QWidget* child : children) {
      const QString name = child->objectName();
      QVERIFY2(frame->rect().contains(child->geometry()), qPrintable(name));
      QVERIFY2(child->y() >= titleBottom, qPrintable(name));
      if (auto* label = qobject_cast<QLabel*>(child)) {
        QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
        QVERIFY2(label->sizeHint().height() <= label->height() + 2, qPrintable(label->text()));
      }
      for (QWidget* other : children) {
        if (other == child) continue;
        QVERIFY2(!child->geometry().intersects(other->geometry()),
                 qPrintable(name + " overlaps " + other->objectName()));
      }
    }
  }
  // The frames and grids lie inside their tab pages, the tabs inside the window.
  QList<QWidget*> placed{window->Frame1, window->Frame2, window->SSTab1};
  for (const List& list : Lists(window)) placed << list.grid;
  for (QWidget* widget : placed) {
    ShowTabOf(widget);
    QVERIFY2(widget->parentWidget()->rect().contains(widget->geometry()),
             qPrintable(widget->objectName()));
  }
}

void TestCustomerDisplay::startup_noCustomers_data() {
  QTest::addColumn<bool>("withFile");
  QTest::newRow("without qel.db") << false;
  QTest::newRow("qel.db with empty tables") << true;
}

void TestCustomerDisplay::startup_noCustomers() {
  QFETCH(bool, withFile);
  TestEnv env;
  if (withFile) CreateDatabase();
  frmCust* window = OpenWindow();
  QVERIFY(window);
  QCOMPARE(env.fatalStatus, 0);
  QVERIFY(env.messages.isEmpty());
  for (const char* table : {"customer", "family", "insurance", "compensate", "contact"})
    QCOMPARE(Count(QStringLiteral("select count(*) from %1").arg(table)), 0);
  for (QWidget* input : Inputs(window)) {
    QVERIFY2(!input->isEnabled(), qPrintable(input->objectName()));
    QCOMPARE(ShownText(input), QString());
  }
  QCOMPARE(Headings(window->msfgFamily), (QStringList{"Title", "Name", "Sex", "ID", "Birthday",
                                                      "Insurance Age", "Occupation", "Comment"}));
  QCOMPARE(Headings(window->msfgInsurlife),
           (QStringList{"Insurer", "Product", "Coverage", "Period", "Insur_No", "Policyholder",
                        "Beneficiary", "Premium", "Payment", "Effective date", "Anniversary"}));
  QCOMPARE(Headings(window->msfgCompenlife),
           (QStringList{"Date", "Reason", "Location", "Item", "Compensation", "Insurer", "State"}));
  QCOMPARE(Headings(window->msfgContact),
           (QStringList{"Date", "Time", "Add", "Method", "Subject", "Context", "Type", "Comment"}));
  for (const List& list : Lists(window))
    QCOMPARE(GridLines(list.grid), QStringList{QString(list.grid->Cols() - 1, '|')});
  QCOMPARE(NavigationStates(window), QStringLiteral("EEEE"));
  QCOMPARE(EditStates(window), QStringLiteral("EEDEE"));
  QVERIFY(window->Toolbar1->Buttons("search")->isEnabled());
  QVERIFY(!window->NewMode && !window->ModifyMode);
}

void TestCustomerDisplay::startup_firstCustomerWithLists() {
  TestEnv env;
  CreateDatabase();
  InsertCustomer(FullCustomer("A001", "陳大文"));
  InsertCustomer(FullCustomer("A002", "Second"));
  InsertChild("family", "A001",
              {"wife", "林美玲", "female", "F2", "1970/1/2", "30", "teacher", "none"});
  InsertChild("family", "A002", {"son", "Other", "male", "X", "", "", "", ""});
  InsertChild("family", "A001", {"son", "陳小明", "male", "S1", "1999/5/6", "5", "pupil", ""});
  InsertChild("family", "A001", {"daughter"});
  // A list row with Null cells shows them empty.
  InsertChild("insurance", "A001",
              {"Cathay", Value(), "100", Value(), "P-1", "me", "wife", "5000", "year", "", "1/1"});
  InsertChild("compensate", "A001",
              {"2003/3/3", "flu", "Taipei", "clinic", "300", "Cathay", "paid"});
  InsertChild("contact", "A001",
              {"2004/4/4", "10:00", "office", "phone", "renewal", "talked", "done", "call back"});
  frmCust* window = OpenWindow();

  // Each field in its own control (every stored value lies outside the combo boxes' entries).
  const QMap<QString, Value> row = FullCustomer("A001", "陳大文");
  const QList<QPair<QWidget*, QString>> fields{{window->txtName, "Cust_name"},
                                               {window->txtCID, "CID"},
                                               {window->cmbCusttype, "Cust_type"},
                                               {window->cmbBirthyear, "Cust_birthyear"},
                                               {window->cmbBirthmonth, "Cust_birthmonth"},
                                               {window->cmbBirthday, "Cust_birthday"},
                                               {window->txtCustId, "Cust_id"},
                                               {window->cmbSex, "Cust_sex"},
                                               {window->cmbBlood, "Cust_blood"},
                                               {window->txtBirthplace, "Cust_birthplace"},
                                               {window->cmbMarriage, "Cust_marriage"},
                                               {window->txtEmail, "Cust_email"},
                                               {window->txtTelHome, "Cust_telhome"},
                                               {window->txtCellphone, "Cust_cellphone"},
                                               {window->txtOther, "Cust_otherphone"},
                                               {window->txtAddHome, "Cust_addhome"},
                                               {window->txtCompany, "Cust_company"},
                                               {window->cmbJobtype, "Cust_jobtype"},
                                               {window->txtJobtitle, "Cust_jobtitle"},
                                               {window->cmbJobgrade, "Cust_jobgrade"},
                                               {window->cmbSalary, "Cust_salary"},
                                               {window->txtTelcompany, "Cust_teloffice"},
                                               {window->txtFaxcompany, "Cust_fax"},
                                               {window->txtAddcompany, "Cust_addoffice"}};
  for (const auto& [control, column] : fields) {
    QCOMPARE(ShownText(control), *row[column]);
    QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
  }
  QCOMPARE(window->cmbCusttype->count(), 7);

  // Three family rows give five grid rows: heading, three entries, the empty entry row.
  QCOMPARE(window->msfgFamily->Rows(), 5);
  QCOMPARE(GridLines(window->msfgFamily),
           (QStringList{"wife|林美玲|female|F2|1970/1/2|30|teacher|none",
                        "son|陳小明|male|S1|1999/5/6|5|pupil|", "daughter|||||||", "|||||||"}));
  QCOMPARE(GridEntries(window->msfgInsurlife),
           QStringList{"Cathay||100||P-1|me|wife|5000|year||1/1"});
  QCOMPARE(GridEntries(window->msfgCompenlife),
           QStringList{"2003/3/3|flu|Taipei|clinic|300|Cathay|paid"});
  QCOMPARE(GridEntries(window->msfgContact),
           QStringList{"2004/4/4|10:00|office|phone|renewal|talked|done|call back"});
  QCOMPARE(EditStates(window), QStringLiteral("EEDEE"));
  QCOMPARE(NavigationStates(window), QStringLiteral("EEEE"));
}

void TestCustomerDisplay::startup_againShowsFirstCustomer() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A001", "First");
  InsertSimpleCustomer("A002", "Second");
  frmCust* window = OpenWindow();
  Press(window, "last");
  QCOMPARE(window->txtName->text(), QStringLiteral("Second"));
  // Unloaded by another window (the search does that) and shown again later.
  Guard([] { Show<frmSearch>(); });
  Guard([] { Unload<frmCust>(); });
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(!Loaded<frmCust>());
  // Narrow the program-wide customer set the way the result window does.
  CustomerSet->Open(QStringLiteral("select * from customer where CID ='A002'"), *DbConnection);
  window = OpenWindow();
  QCOMPARE(window->txtName->text(), QStringLiteral("First"));
  Press(window, "next");
  QCOMPARE(window->txtName->text(), QStringLiteral("Second"));
}

void TestCustomerDisplay::display_nullValues() {
  TestEnv env;
  CreateDatabase();
  QMap<QString, Value> second = FullCustomer("A002", "Second");
  second["Cust_email"] = Value();
  second["Cust_sex"] = Value();
  InsertCustomer(FullCustomer("A001", "First"));
  InsertCustomer(second);
  frmCust* window = OpenWindow();

  // Shown after a clearing (as navigation does): the Null e-mail is empty.
  Press(window, "next");
  QCOMPARE(window->txtName->text(), QStringLiteral("Second"));
  QCOMPARE(window->txtEmail->text(), QString());
  QCOMPARE(window->cmbSex->currentText(), QString());

  // Shown without a clearing: the Null e-mail keeps the old text, the Null sex still empties.
  Press(window, "first");
  CustomerSet->MoveNext();
  window->ShowCustomer();
  QCOMPARE(window->txtName->text(), QStringLiteral("Second"));
  QCOMPARE(window->txtEmail->text(), QStringLiteral("A001-email"));
  QCOMPARE(window->cmbSex->currentText(), QString());
}

void TestCustomerDisplay::display_twiceWithoutClearingDoublesLines() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A001", "First");
  InsertChild("contact", "A001", {"d1"});
  InsertChild("contact", "A001", {"d2"});
  frmCust* window = OpenWindow();
  window->ShowCustomer();
  QCOMPARE(GridLines(window->msfgContact),
           (QStringList{"d1|||||||", "d2|||||||", "d1|||||||", "d2|||||||", "|||||||"}));
}

void TestCustomerDisplay::display_noKeyShowsNoOtherCustomersLists() {
  TestEnv env;
  CreateDatabase();
  QMap<QString, Value> noKey = FullCustomer("A001", "No key");
  noKey["CID"] = Value();
  InsertCustomer(noKey);
  InsertSimpleCustomer("", "Empty key");
  InsertChild("family", "", {"Wife", "Of the empty key"});
  frmCust* window = OpenWindow();

  // The key box is empty, but it names no key of this customer: the empty key's lists stay out.
  QCOMPARE(window->txtName->text(), QStringLiteral("No key"));
  QCOMPARE(window->msfgFamily->Rows(), 2);
  Press(window, "next");
  QCOMPARE(window->txtName->text(), QStringLiteral("Empty key"));
  QCOMPARE(GridLines(window->msfgFamily).first(), QStringLiteral("Wife|Of the empty key||||||"));

  // A customer another program deleted meanwhile shows no one's lists either.
  Press(window, "first");
  Sql(QStringLiteral("delete from customer where CID is null"));
  Press(window, "last");
  Press(window, "first");
  QCOMPARE(window->txtName->text(), QString());
  QCOMPARE(window->msfgFamily->Rows(), 2);
}

void TestCustomerDisplay::display_listLongerThan32767Rows() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A001", "First");
  Sql("insert into contact (CID,Cont_date) with recursive n(i) as (select 1 union all select "
      "i+1 from n where i<32800) select 'A001','d'||i from n");
  frmCust* window = OpenWindow();
  QCOMPARE(env.fatalStatus, 0);
  ListGrid* grid = window->msfgContact;
  QCOMPARE(grid->Rows(), 32802);
  QCOMPARE(grid->TextMatrix(32767, 0), QStringLiteral("d32767"));
  QCOMPARE(grid->TextMatrix(32800, 0), QStringLiteral("d32800"));
  QCOMPARE(grid->TextMatrix(32801, 0), QString());
}

QTEST_MAIN(TestCustomerDisplay)
#include "tst_customerdisplay.moc"
