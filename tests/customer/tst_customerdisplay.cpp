// The customer window's layout, its start-up and the display of a customer with its lists.

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QTabBar>

#include "app/module1.h"
#include "custtest.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/twips.h"

using namespace custtest;

namespace {

// The caption label whose buddy is this input.
QLabel* CaptionOf(QWidget* input) {
  const auto labels = input->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
  for (QLabel* label : labels)
    if (label->buddy() == input) return label;
  return nullptr;
}

}  // namespace

class TestCustomerDisplay : public QObject {
  Q_OBJECT

 private slots:
  void layout_inputs_data();
  void layout_inputs();
  void layout_comboEntries_data();
  void layout_comboEntries();
  void layout_window();
  void layout_toolbar();
  void layout_tabsGridsAndEditors();
  void layout_nothingClippedOrOverlapping();
  void layout_fonts();

  void startup_emptyTable();
  void startup_withoutDatabase();
  void startup_notADatabase();
  void startup_firstCustomerWithLists();
  void startup_againShowsFirstCustomer();

  void display_nullValues();
  void display_valueNotAmongEntries();
  void display_childRowWithNulls();
  void display_threeFamilyRowsGiveFiveRows();
  void display_twiceWithoutClearingDoublesLines();
  void display_keyWithQuoteShowsLists();
  void display_tabInValueStaysInItsCell();
  void display_listLongerThan32767Rows();
};

void TestCustomerDisplay::layout_inputs_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("frame");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<bool>("combo");
  QTest::addColumn<QRect>("twips");
  auto row = [](const char* name, const char* frame, const char* caption, bool combo, int l, int t,
                int w, int h) {
    QTest::newRow(name) << name << frame << caption << combo << QRect(l, t, w, h);
  };
  row("txtName", "Frame1", "Name", false, 1200, 400, 1695, 270);
  row("txtCID", "Frame1", "C_No", false, 3960, 400, 1335, 270);
  row("cmbCusttype", "Frame1", "Type", true, 6600, 400, 1095, 300);
  row("cmbBirthyear", "Frame1", "Birthday", true, 1200, 840, 855, 300);
  // ">" marks a caption that stands after its input.
  row("cmbBirthmonth", "Frame1", ">Month", true, 2550, 840, 735, 300);
  row("cmbBirthday", "Frame1", ">Day", true, 3960, 840, 735, 300);
  row("cmbMarriage", "Frame1", "Marriage", true, 6600, 840, 1095, 300);
  row("cmbSex", "Frame1", "Sex", true, 1200, 1320, 975, 300);
  row("cmbBlood", "Frame1", "Blood", true, 3960, 1320, 975, 300);
  row("txtBirthplace", "Frame1", "Birthplace", false, 6600, 1320, 1095, 270);
  row("txtCustId", "Frame1", "ID", false, 1200, 1800, 2535, 270);
  row("txtEmail", "Frame1", "E-Mail", false, 4800, 1800, 2895, 270);
  row("txtTelHome", "Frame1", "Tel(H)", false, 1200, 2400, 1935, 270);
  row("txtCellphone", "Frame1", "Mobile", false, 4080, 2400, 1335, 270);
  row("txtOther", "Frame1", "Other", false, 6240, 2400, 1455, 270);
  row("txtAddHome", "Frame1", "Add(H)", false, 1200, 2880, 6495, 270);
  row("txtCompany", "Frame2", "Company", false, 1200, 360, 2535, 270);
  row("cmbJobtype", "Frame2", "Business", true, 4920, 360, 2775, 300);
  row("txtJobtitle", "Frame2", "Title", false, 1200, 840, 2535, 270);
  row("cmbSalary", "Frame2", "Income", true, 4920, 840, 2775, 300);
  row("cmbJobgrade", "Frame2", "Job Grade", true, 1200, 1400, 615, 300);
  row("txtTelcompany", "Frame2", "Tel(O)", false, 2640, 1440, 2175, 270);
  row("txtFaxcompany", "Frame2", "Fax", false, 5520, 1440, 2175, 270);
  row("txtAddcompany", "Frame2", "Add(O)", false, 1200, 1920, 6495, 270);
}

void TestCustomerDisplay::layout_inputs() {
  QFETCH(QString, name);
  QFETCH(QString, frame);
  QFETCH(QString, caption);
  QFETCH(bool, combo);
  QFETCH(QRect, twips);
  TestEnv env;
  frmCust* window = OpenWindow();
  QVERIFY(window);

  QWidget* input = Control<QWidget>(window, name);
  QCOMPARE(input->parentWidget()->objectName(), frame);
  QCOMPARE(input->geometry(), TwipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
  QVERIFY(input->isVisible());
  QCOMPARE(TextOf(input), QString());
  if (combo) {
    auto* box = qobject_cast<QComboBox*>(input);
    QVERIFY(box);
    QVERIFY(box->isEditable());
    QCOMPARE(box->insertPolicy(), QComboBox::NoInsert);
    QVERIFY(!box->completer());
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
  if (after) {
    QVERIFY(label->x() > input->geometry().right());
  } else {
    QVERIFY(label->geometry().right() < input->x());
  }
  QVERIFY(label->geometry().intersects(QRect(0, input->y(), 10000, input->height())));
}

void TestCustomerDisplay::layout_comboEntries_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QStringList>("entries");
  auto numbers = [](int first, int last) {
    QStringList list;
    for (int n = first; n <= last; ++n) list << QString::number(n);
    return list;
  };
  QTest::newRow("cmbCusttype") << "cmbCusttype"
                               << QStringList{"Customer",  "to-be",  "Potential ", "Normal ",
                                              "unfamilia", "family", "friend"};
  QTest::newRow("cmbBirthyear") << "cmbBirthyear" << numbers(1930, 2004);
  QTest::newRow("cmbBirthmonth") << "cmbBirthmonth" << numbers(1, 12);
  QTest::newRow("cmbBirthday") << "cmbBirthday" << numbers(1, 31);
  QTest::newRow("cmbMarriage") << "cmbMarriage"
                               << QStringList{"unmarried", "married", "divorce", "other"};
  QTest::newRow("cmbSex") << "cmbSex" << QStringList{"male", "female"};
  QTest::newRow("cmbBlood") << "cmbBlood" << QStringList{"A", "B", "O", "AB"};
  QTest::newRow("cmbJobtype") << "cmbJobtype" << QStringList{};
  QTest::newRow("cmbSalary") << "cmbSalary"
                             << QStringList{"under 100,000",       "100,000~200,000",
                                            "200,000~300,000",     "300,000~400,000",
                                            "400,000~500,000",     "500,000~600,000",
                                            "600,000~700,000",     "700,000~800,000",
                                            "800,000~900,000",     "900,000~1,000,000",
                                            "1,000,000~1,500,000", "1,500,000~2,000,000",
                                            "above 2,000,000"};
  QTest::newRow("cmbJobgrade") << "cmbJobgrade" << numbers(1, 6);
}

void TestCustomerDisplay::layout_comboEntries() {
  QFETCH(QString, name);
  QFETCH(QStringList, entries);
  TestEnv env;
  frmCust* window = OpenWindow();
  auto* combo = Control<QComboBox>(window, name);
  QStringList shown;
  for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
  QCOMPARE(shown, entries);
}

void TestCustomerDisplay::layout_window() {
  TestEnv env;
  frmCust* window = OpenWindow();
  QCOMPARE(window->windowTitle(), QStringLiteral("MAIN MENU"));
  QCOMPARE(window->size(), QSize(TwipsToPixels(9480), TwipsToPixels(8220)));
  QVERIFY(!window->windowIcon().isNull());
  QCOMPARE(window->Label6->text(), QStringLiteral("MM"));
  QCOMPARE(window->Label6->geometry(), TwipsRect(0, 0, 375, 255));
  QCOMPARE(window->Toolbar1->geometry(), TwipsRect(0, 0, 9480, 555));
  QCOMPARE(window->SSTab1->geometry(), TwipsRect(240, 840, 8955, 7095));
  QCOMPARE(window->Frame1->title(), QStringLiteral("Personal"));
  QCOMPARE(window->Frame2->title(), QStringLiteral("Company"));
}

void TestCustomerDisplay::layout_toolbar() {
  TestEnv env;
  frmCust* window = OpenWindow();
  QStringList entries;
  const auto actions = window->Toolbar1->actions();
  for (QAction* action : actions) entries << (action->isSeparator() ? "|" : action->text());
  QCOMPARE(entries, (QStringList{"first", "previous", "next", "last", "search", "|", "new",
                                 "modify", "save", "delete", "|", "exit"}));

  const QList<QPair<QString, QString>> tips{
      {"first", "first (Ctrl+Home)"}, {"previous", "previous (Page Up)"},
      {"next", "next (Page Down)"},   {"last", "last (Ctrl+End)"},
      {"search", "search (Ctrl+F)"},  {"new", "new (Ctrl+N)"},
      {"modify", "modify (Ctrl+E)"},  {"save", "save (Ctrl+S)"},
      {"delete", "delete"},           {"exit", "exit"}};
  for (const auto& [key, tip] : tips) {
    QAction* action = window->Toolbar1->Buttons(key);
    QVERIFY2(action, qPrintable(key));
    QCOMPARE(action->toolTip(), tip);
    // The buttons show their pictures, not their keys.
    QVERIFY2(!action->icon().isNull(), qPrintable(key));
    auto* button = window->Toolbar1->widgetForAction(action);
    QVERIFY(button && button->isVisible());
  }
  QVERIFY(!window->Toolbar1->Buttons("schedule"));
  QVERIFY(window->Toolbar1->Buttons("delete")->shortcut().isEmpty());
}

void TestCustomerDisplay::layout_tabsGridsAndEditors() {
  TestEnv env;
  frmCust* window = OpenWindow();
  QTabWidget* tabs = window->SSTab1;
  QStringList captions;
  for (int i = 0; i < tabs->count(); ++i) captions << tabs->tabText(i);
  QCOMPARE(captions, (QStringList{"Individual", "Family", "Insurance", "Compensation", "Contact"}));
  QCOMPARE(tabs->currentIndex(), 0);

  // Positions inside the tab control are those of the design, measured from its corner.
  QCOMPARE(QRect(window->Frame1->mapTo(tabs, QPoint(0, 0)), window->Frame1->size()),
           TwipsRect(360, 720, 7935, 3375));
  QCOMPARE(QRect(window->Frame2->mapTo(tabs, QPoint(0, 0)), window->Frame2->size()),
           TwipsRect(360, 4440, 7935, 2415));

  const QList<std::tuple<ListGrid*, CellEditor*, int>> lists{
      {window->msfgFamily, window->txtInput, 8},
      {window->msfgInsurlife, window->txtInputInsur, 11},
      {window->msfgCompenlife, window->txtInputCom, 7},
      {window->msfgContact, window->txtInputCon, 8}};
  for (int i = 0; i < lists.size(); ++i) {
    auto [grid, editor, cols] = lists[i];
    QCOMPARE(grid->parentWidget(), tabs->widget(i + 1));
    tabs->setCurrentIndex(i + 1);
    QCOMPARE(QRect(grid->mapTo(tabs, QPoint(0, 0)), grid->size()),
             TwipsRect(480, 1080, 7935, 5535));
    QCOMPARE(grid->Cols(), cols);
    QCOMPARE(grid->Rows(), 2);
    QCOMPARE(GridLine(grid, 1), QStringList(cols, QString()));
    // The editor floats above its grid, hidden until a cell is clicked.
    QCOMPARE(editor->parentWidget(), grid->parentWidget());
    QVERIFY(!editor->isVisible());
    QCOMPARE(editor->size(), TwipsRect(0, 0, 855, 375).size());
    const auto siblings = grid->parentWidget()->children();
    QVERIFY(siblings.indexOf(editor) > siblings.indexOf(grid));
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
  // The frames and grids lie inside their tab pages.
  for (QWidget* widget :
       QList<QWidget*>{window->Frame1, window->Frame2, window->msfgFamily, window->msfgInsurlife,
                       window->msfgCompenlife, window->msfgContact}) {
    ShowTabOf(widget);
    QVERIFY2(widget->parentWidget()->rect().contains(widget->geometry()),
             qPrintable(widget->objectName()));
  }
}

void TestCustomerDisplay::layout_fonts() {
  TestEnv env;
  frmCust* window = OpenWindow();
  auto size = [](QWidget* widget) { return widget->font().pointSizeF(); };
  QCOMPARE(size(CaptionOf(window->txtName)), 12.0);
  QCOMPARE(size(CaptionOf(window->txtCID)), 12.0);
  QCOMPARE(size(CaptionOf(window->txtEmail)), 11.25);
  QCOMPARE(size(CaptionOf(window->cmbJobgrade)), 11.25);
  QCOMPARE(size(window->msfgFamily), 12.0);
  QCOMPARE(window->msfgFamily->horizontalHeader()->font(), MingLiU(12));
  QCOMPARE(size(window->txtInputCon), 12.0);
  QCOMPARE(size(window->SSTab1->tabBar()), 12.75);
  QCOMPARE(window->Frame1->font(), Tahoma(12, true));
  QCOMPARE(window->Frame2->font(), Tahoma(12, true));
  QCOMPARE(window->txtEmail->font().family(), MingLiU(9).family());
  // The bold frame caption does not leak into the inputs.
  QVERIFY(!window->txtName->font().bold());
}

void TestCustomerDisplay::startup_emptyTable() {
  TestEnv env;
  CreateDatabase();
  frmCust* window = OpenWindow();
  QVERIFY(window);
  QCOMPARE(env.fatalStatus, 0);
  QVERIFY(env.messages.isEmpty());
  for (QWidget* input : window->Frame1->findChildren<QWidget*>()) {
    if (qobject_cast<QLineEdit*>(input) || qobject_cast<QComboBox*>(input)) {
      QVERIFY2(!input->isEnabled(), qPrintable(input->objectName()));
      if (qobject_cast<QComboBox*>(input) || !qobject_cast<QComboBox*>(input->parentWidget()))
        QCOMPARE(TextOf(input), QString());
    }
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
  for (ListGrid* grid :
       {window->msfgFamily, window->msfgInsurlife, window->msfgCompenlife, window->msfgContact}) {
    QCOMPARE(grid->Rows(), 2);
    QCOMPARE(GridLine(grid, 1).join(QString()), QString());
  }
  QCOMPARE(NavigationStates(window), QStringLiteral("EEEE"));
  QCOMPARE(EditStates(window), QStringLiteral("EEDEE"));
  QVERIFY(Enabled(window, "search"));
  QVERIFY(!window->NewMode && !window->ModifyMode);
}

void TestCustomerDisplay::startup_withoutDatabase() {
  TestEnv env;
  QVERIFY(!QFile::exists(env.DbPath()));
  frmCust* window = OpenWindow();
  QVERIFY(window);
  QCOMPARE(env.fatalStatus, 0);
  QVERIFY(QFile::exists(env.DbPath()));
  for (const char* table : {"customer", "family", "insurance", "compensate", "contact"})
    QCOMPARE(Count(QStringLiteral("select count(*) from %1").arg(table)), 0);
}

void TestCustomerDisplay::startup_notADatabase() {
  TestEnv env;
  {
    QFile file(env.DbPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        QByteArray("these are not the bytes of a database, just an agent's notes\n").repeated(100));
  }
  const QByteArray before = FileBytes(env.DbPath());
  OpenWindow();
  QCOMPARE(env.fatalStatus, 1);
  QCOMPARE(env.messages.size(), 1);
  QVERIFY2(env.messages[0].contains(QStringLiteral("qel.db")), qPrintable(env.messages[0]));
  QCOMPARE(FileBytes(env.DbPath()), before);
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
  InsertChild(
      "insurance", "A001",
      {"Cathay", "Life", "100", "20", "P-1", "me", "wife", "5000", "year", "2001/1/1", "1/1"});
  InsertChild("compensate", "A001",
              {"2003/3/3", "flu", "Taipei", "clinic", "300", "Cathay", "paid"});
  InsertChild("contact", "A001",
              {"2004/4/4", "10:00", "office", "phone", "renewal", "talked", "done", "call back"});
  frmCust* window = OpenWindow();

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
  QCOMPARE(fields.size(), 24);
  for (const auto& [control, column] : fields) {
    QCOMPARE(TextOf(control), *row[column]);
    QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
  }

  QCOMPARE(GridEntries(window->msfgFamily),
           (QStringList{"wife|林美玲|female|F2|1970/1/2|30|teacher|none",
                        "son|陳小明|male|S1|1999/5/6|5|pupil|"}));
  QCOMPARE(GridEntries(window->msfgInsurlife),
           QStringList{"Cathay|Life|100|20|P-1|me|wife|5000|year|2001/1/1|1/1"});
  QCOMPARE(GridEntries(window->msfgCompenlife),
           QStringList{"2003/3/3|flu|Taipei|clinic|300|Cathay|paid"});
  QCOMPARE(GridEntries(window->msfgContact),
           QStringList{"2004/4/4|10:00|office|phone|renewal|talked|done|call back"});
  // Each list ends with its empty entry row.
  QCOMPARE(GridLine(window->msfgFamily, window->msfgFamily->Rows() - 1).join(QString()), QString());
  QCOMPARE(window->SqlFamily, QStringLiteral("select * from family where CID='A001'"));
  QCOMPARE(window->SqlContact, QStringLiteral("select * from contact where CID='A001'"));
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
  QMap<QString, Value> first = FullCustomer("A001", "First");
  QMap<QString, Value> second = FullCustomer("A002", "Second");
  second["Cust_email"] = Value();
  second["Cust_sex"] = Value();
  InsertCustomer(first);
  InsertCustomer(second);
  frmCust* window = OpenWindow();
  QCOMPARE(window->txtEmail->text(), QStringLiteral("A001-email"));
  QCOMPARE(window->cmbSex->currentText(), QStringLiteral("A001-sex"));

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

void TestCustomerDisplay::display_valueNotAmongEntries() {
  TestEnv env;
  CreateDatabase();
  QMap<QString, Value> row = FullCustomer("A001", "First");
  row["Cust_type"] = QStringLiteral("VIP customer");
  row["Cust_birthyear"] = QStringLiteral("1921");
  row["Cust_salary"] = QStringLiteral("Potential ");
  InsertCustomer(row);
  frmCust* window = OpenWindow();
  QCOMPARE(window->cmbCusttype->currentText(), QStringLiteral("VIP customer"));
  QCOMPARE(window->cmbBirthyear->currentText(), QStringLiteral("1921"));
  QCOMPARE(window->cmbSalary->currentText(), QStringLiteral("Potential "));
  // Showing a text adds no entry to the list.
  QCOMPARE(window->cmbCusttype->count(), 7);
}

void TestCustomerDisplay::display_childRowWithNulls() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A001", "First");
  InsertChild("insurance", "A001",
              {"Cathay", Value(), "100", Value(), "P-1", Value(), Value(), Value(), Value(),
               Value(), "1/1"});
  frmCust* window = OpenWindow();
  QCOMPARE(GridEntries(window->msfgInsurlife), QStringList{"Cathay||100||P-1||||||1/1"});
}

void TestCustomerDisplay::display_threeFamilyRowsGiveFiveRows() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A001", "First");
  InsertSimpleCustomer("A002", "Second");
  for (const char* name : {"one", "two", "three"})
    InsertChild("family", "A002", {"rel", name, "", "", "", "", "", ""});
  frmCust* window = OpenWindow();
  Press(window, "next");
  QCOMPARE(window->msfgFamily->Rows(), 5);
  QCOMPARE(window->msfgFamily->TextMatrix(1, 1), QStringLiteral("one"));
  QCOMPARE(window->msfgFamily->TextMatrix(2, 1), QStringLiteral("two"));
  QCOMPARE(window->msfgFamily->TextMatrix(3, 1), QStringLiteral("three"));
  QCOMPARE(GridLine(window->msfgFamily, 4).join(QString()), QString());
}

void TestCustomerDisplay::display_twiceWithoutClearingDoublesLines() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A001", "First");
  InsertChild("contact", "A001", {"d1", "", "", "", "", "", "", ""});
  InsertChild("contact", "A001", {"d2", "", "", "", "", "", "", ""});
  frmCust* window = OpenWindow();
  window->ShowCustomer();
  QCOMPARE(window->msfgContact->Rows(), 6);
  QStringList firstColumn;
  for (int row = 1; row < 6; ++row) firstColumn << window->msfgContact->TextMatrix(row, 0);
  QCOMPARE(firstColumn, (QStringList{"d1", "d2", "d1", "d2", ""}));
}

void TestCustomerDisplay::display_keyWithQuoteShowsLists() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("O'Brien", "Quoted");
  InsertChild("family", "O'Brien", {"wife", "Mary", "", "", "", "", "", ""});
  InsertChild("compensate", "O'Brien", {"2001", "", "", "", "", "", ""});
  InsertChild("family", "O", {"not", "hers", "", "", "", "", "", ""});
  frmCust* window = OpenWindow();
  QCOMPARE(window->txtCID->text(), QStringLiteral("O'Brien"));
  QCOMPARE(GridEntries(window->msfgFamily), QStringList{"wife|Mary||||||"});
  QCOMPARE(GridEntries(window->msfgCompenlife), QStringList{"2001||||||"});
  QCOMPARE(window->SqlFamily, QStringLiteral("select * from family where CID='O''Brien'"));
}

void TestCustomerDisplay::display_tabInValueStaysInItsCell() {
  TestEnv env;
  CreateDatabase();
  InsertSimpleCustomer("A001", "First");
  InsertChild("family", "A001", {"wife", "Mary\tAnn", "female", "", "", "", "", "note"});
  frmCust* window = OpenWindow();
  QCOMPARE(GridLine(window->msfgFamily, 1),
           (QStringList{"wife", "Mary\tAnn", "female", "", "", "", "", "note"}));
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
