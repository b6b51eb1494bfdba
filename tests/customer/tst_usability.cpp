// What a new user meets first: lists that open at their first cell, the result window's
// headings and position line, what a screen reader announces, and page keys while typing;
// every window's controls whole in view, named and in keyboard order; every window in
// Traditional Chinese.

#include <QAccessible>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyle>
#include <QTabBar>
#include <QTableView>

#include "custtest.h"
#include "ui/history/frmhistory.h"
#include "ui/program/language.h"
#include "ui/program/module1.h"
#include "ui/result/frmsearchresult.h"
#include "ui/schedule/frmschedule.h"
#include "ui/search/frmsearch.h"

using namespace custtest;

namespace {

// Alice, Bob and Carol, each with 30 rows in every list (the row's number and the name).
void CustomersWithLongLists() {
  CreateDatabase();
  for (const auto& [key, name] : {std::pair{"A001", "Alice"}, {"A002", "Bob"}, {"A003", "Carol"}})
    InsertCustomer(FullCustomer(key, name));
  for (const QString table : {"family", "insurance", "compensate", "contact"})
    Sql(QStringLiteral("insert into %1 (CID,%2,%3) with recursive n(i) as (select 0 union all "
                       "select i+1 from n where i<29) select CID, i, Cust_name from customer, n")
            .arg(table, DataColumns(table)[0], DataColumns(table)[1]));
}

// The baseline of a label's text as the window draws it: the lowest ink of its leading digits
// and Latin letters without descenders, which sit on the baseline in any font.
int Baseline(const QImage& window, const QLabel* label) {
  const QString text = label->text();
  qsizetype sitting = 0;
  while (sitting < text.size() &&
         (text[sitting].isDigit() || QStringLiteral("ATaklot").contains(text[sitting])))
    ++sitting;
  const int width =
      qMin(label->width(), QFontMetrics(label->font()).horizontalAdvance(text.left(sitting)));
  const QRect box(label->mapTo(label->window(), QPoint(0, 0)), QSize(width, label->height()));
  for (int y = box.bottom(); y >= box.top(); --y)
    for (int x = box.left(); x <= box.right(); ++x)
      if (qGray(window.pixel(x, y)) < 180) return y;
  return -1;
}

// Where a label draws its text, by its font's measure, in the label.
QRect TextRect(const QLabel* label) {
  const QFontMetrics metrics = label->fontMetrics();
  return QStyle::alignedRect(Qt::LeftToRight, label->alignment(),
                             QSize(metrics.horizontalAdvance(label->text()), metrics.height()),
                             label->contentsRect());
}

// Opens one of the four windows, active, on Alice and Bob; `page` picks its tab.
QWidget* OpenShown(const QString& window, int page = 0) {
  CustomersWithKin({{"A001", "Alice"}, {"A002", "Bob"}});
  QWidget* shown = OpenWindow();
  if (window == "search") shown = Show<frmSearch>();
  if (window == "result") {
    HandOverKeys({"A001", "A002"});
    shown = Show<frmSearchResult>();
  }
  if (window == "schedule") shown = Show<frmSchedule>();
  if (window == "history") {
    Press(static_cast<frmCust*>(shown), "history");
    shown = Loaded<frmHistory>();
  }
  if (auto* tabs = shown->findChild<QTabWidget*>()) tabs->setCurrentIndex(page);
  QApplication::setActiveWindow(shown);
  if (!QTest::qWaitForWindowActive(shown)) qWarning("window not active");
  return shown;
}

}  // namespace

class TestUsability : public QObject {
  Q_OBJECT

 private slots:
  void listsShowTheirFirstCell_data();
  void listsShowTheirFirstCell();
  void resultWindow();
  void pageKeysWhileTyping_data();
  void pageKeysWhileTyping();
  void controlsWhole_data();
  void controlsWhole();
  void spokenNames_data();
  void spokenNames();
  void keyboardOrder_data();
  void keyboardOrder();
};

void TestUsability::listsShowTheirFirstCell_data() {
  QTest::addColumn<QString>("list");
  QTest::addColumn<QStringList>("presses");
  QTest::newRow("family after next, next, first") << "fam" << QStringList{"next", "next", "first"};
  QTest::newRow("insurance after last") << "insur" << QStringList{"last"};
  QTest::newRow("compensation after new") << "com" << QStringList{"new"};
  QTest::newRow("contact after previous") << "con" << QStringList{"next", "previous"};
}

void TestUsability::listsShowTheirFirstCell() {
  QFETCH(QString, list);
  QFETCH(QStringList, presses);
  TestEnv env;
  CustomersWithLongLists();
  frmCust* window = OpenWindow();
  ListGrid* grid = ListOf(window, list).grid;
  ShowTabOf(grid);
  for (QScrollBar* bar : {grid->horizontalScrollBar(), grid->verticalScrollBar()})
    bar->setValue(bar->maximum());
  QVERIFY(grid->columnAt(0) > 0);
  for (const QString& key : presses) Press(window, key);
  QCOMPARE(grid->columnAt(0), 0);
  QCOMPARE(grid->rowAt(0), 0);
}

void TestUsability::resultWindow() {
  TestEnv env;
  CreateDatabase();
  InsertCustomer({{"CID", "A001"}, {"Cust_name", "Alice"}});
  HandOverKeys({"A001"});
  auto* result = Show<frmSearchResult>();
  // The heading row in the grid's own font, as in the customer window.
  const auto grids = result->findChildren<ListGrid*>();
  QCOMPARE(grids.size(), 4);
  for (const ListGrid* grid : grids) {
    const QFontInfo heading(grid->horizontalHeader()->font()), cells(grid->font());
    QCOMPARE(heading.family() + QString::number(heading.pointSizeF()),
             cells.family() + QString::number(cells.pointSizeF()));
  }
  // "Total：" 1 "／" 1: the word and both numbers on one baseline, within a pixel.
  const QImage image = result->grab().toImage();
  const int baseline = Baseline(image, result->Label7);
  QVERIFY(baseline >= 0);
  for (const QLabel* label : {result->lblCurrent, result->lblTotal})
    QVERIFY2(qAbs(Baseline(image, label) - baseline) <= 1, qPrintable(label->objectName()));
  QCOMPARE(result->lblName->text(), QStringLiteral("Alice"));
}

void TestUsability::pageKeysWhileTyping_data() {
  QTest::addColumn<QString>("mode");
  QTest::addColumn<QString>("input");
  QTest::addColumn<QString>("action");  // a key, or "button <key>" for the toolbar
  QTest::addColumn<QString>("shownName");
  QTest::addColumn<QString>("typed");  // what the input holds afterwards
  auto row = [](const char* mode, const char* input, const char* action, const char* name,
                const char* typed) {
    QTest::addRow("%s: %s in %s", mode, action, input) << mode << input << action << name << typed;
  };
  row("new", "txtName", "PgDown", "Typed", "Typed");
  row("new", "cmbSex", "Ctrl+End", "", "Typed");
  row("modify", "txtAddHome", "PgDown", "Bob", "Typed");
  row("new", "txtInputCon", "PgUp", "", "Typed");
  row("new", "txtName", "button next", "Carol", "Carol");
  row("modify", "txtInput", "button first", "Alice", "");
}

void TestUsability::pageKeysWhileTyping() {
  QFETCH(QString, mode);
  QFETCH(QString, input);
  QFETCH(QString, action);
  QFETCH(QString, shownName);
  QFETCH(QString, typed);
  TestEnv env;
  CustomersWithLongLists();
  frmCust* window = OpenWindow();
  Press(window, "next");
  Press(window, mode);
  QWidget* target = Control<QWidget>(window, input);
  if (auto* editor = qobject_cast<CellEditor*>(target))
    TypeIntoCell(editor->Grid(), editor, 1, 0, "Typed");
  else
    ReplaceText(target, "Typed");
  if (action.startsWith("button "))
    Press(window, action.mid(7));
  else
    QTest::keySequence(QApplication::focusWidget(), QKeySequence(action));
  QCOMPARE(window->txtName->text(), shownName);
  QCOMPARE(ShownText(target), typed);
  QCOMPARE(window->NewMode, mode == "new");  // the mode stays either way
}

void TestUsability::controlsWhole_data() {
  QTest::addColumn<QString>("window");
  QTest::addColumn<int>("page");
  QTest::addColumn<QString>("language");
  for (const char* language : {"en", "zh_TW"}) {
    for (const char* window : {"customer", "result"})
      for (int page = 0; page < 5; ++page)
        QTest::addRow("%s, %s, tab %d", language, window, page) << window << page << language;
    for (const char* window : {"search", "schedule", "history"})
      QTest::addRow("%s, %s", language, window) << window << 0 << language;
  }
}

// In either language every control shown lies wholly inside what holds it, and no caption is
// cut off or covers what stands beside it. Under Traditional Chinese no text of a window's own
// (title, caption, button, tab, heading, tool tip) is left in English, and a saved customer
// stores the entries' values, not the labels shown for them.
void TestUsability::controlsWhole() {
  QFETCH(QString, window);
  QFETCH(int, page);
  QFETCH(QString, language);
  // A window looks the same on either database; a save is checked on both.
  if (OnServer() && (window != "customer" || page > 0)) QSKIP("checked on a database file");
  TestEnv env;
  qputenv("QEL_LANGUAGE", language.toUtf8());
  InstallTranslations();
  const auto backToEnglish = qScopeGuard([] { qunsetenv("QEL_LANGUAGE"), InstallTranslations(); });
  QWidget* shown = OpenShown(window, page);
  QStringList texts{shown->windowTitle()};
  int checked = 0;
  for (QWidget* control : shown->findChildren<QWidget*>()) {
    const QString name = control->objectName();
    if (!control->isVisible()) continue;
    if (!name.isEmpty() && !name.startsWith("qt_")) {
      QVERIFY2(control->parentWidget()->rect().contains(control->geometry()), qPrintable(name));
      ++checked;
    }
    auto* label = qobject_cast<QLabel*>(control);
    // A label spoken as something else than it reads shows a value (its tip too): data.
    if (label && !label->accessibleName().isEmpty() && label->accessibleName() != label->text())
      continue;
    texts << control->toolTip();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) texts << button->text();
    if (auto* frame = qobject_cast<QGroupBox*>(control)) texts << frame->title();
    if (auto* tabs = qobject_cast<QTabBar*>(control))
      for (int tab = 0; tab < tabs->count(); ++tab) texts << tabs->tabText(tab);
    if (auto* grid = qobject_cast<ListGrid*>(control))
      for (int column = 0; column < grid->columnCount(); ++column)
        texts << grid->TextMatrix(0, column);
    if (auto* table = qobject_cast<QTableView*>(control); table && table->model())
      for (int column = 0; column < table->model()->columnCount(); ++column)
        texts << table->model()->headerData(column, Qt::Horizontal).toString();
    if (!label || label->text().isEmpty()) continue;
    // Siblings in the order they are stacked: one above that holds the label hides it.
    const QWidgetList siblings =
        label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    if (std::any_of(siblings.begin() + siblings.indexOf(label) + 1, siblings.end(),
                    [label](QWidget* w) { return w->geometry().contains(label->geometry()); }))
      continue;
    texts << label->text();
    // English captions beside no input ("Total：") may end in a full-width sign's blank half.
    if (language == "en" && !label->buddy()) continue;
    const QRect text = TextRect(label);
    QVERIFY2(label->contentsRect().contains(text), qPrintable(label->text()));
    for (QWidget* other : siblings)
      QVERIFY2(other == label || !other->isVisible() || qobject_cast<QLabel*>(other) ||
                   !text.translated(label->pos()).intersects(other->geometry()),
               qPrintable(label->text() + " / " + other->objectName()));
  }
  QVERIFY(checked > 4);
  if (language == "en") return;
  // Latin words left, other than the program's name and the keys of a shortcut.
  static const QRegularExpression english(
      "\\b(?!(Qel|Ctrl|Shift|Page|Up|Down|Home|End)\\b)[A-Za-z]{2,}");
  for (const QString& text : texts) QVERIFY2(!text.contains(english), qPrintable(text));

  auto* customers = qobject_cast<frmCust*>(shown);
  if (!customers || page > 0) return;
  Sql("update customer set Cust_sex = 'female'");
  Press(customers, "next");
  QCOMPARE(ShownText(customers->cmbSex), QString::fromUtf8("女"));
  Press(customers, "new");
  ReplaceText(customers->txtCID, "Z001");
  for (const auto& [combo, label] : {std::pair{customers->cmbSex, "女"},
                                     {customers->cmbCusttype, "潛在"},
                                     {customers->cmbSalary, "10萬以下"}})
    PickEntry(combo, QString::fromUtf8(label));
  Press(customers, "save");
  const QMap<QString, Value> row = CustomerRow("Z001");
  QCOMPARE(QStringList({*row["Cust_sex"], *row["Cust_type"], *row["Cust_salary"]}),
           QStringList({"female", "Potential ", "under 100,000"}));
}

void TestUsability::spokenNames_data() {
  QTest::addColumn<QString>("window");
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("entries");  // "count: first .. last" of a combo box
  auto row = [](const char* window, const char* control, const char* name, const char* entries) {
    QTest::addRow("%s %s", window, control) << window << control << name << entries;
  };
  row("customer", "txtName", "Name", "");
  row("customer", "cmbBirthyear", "Birthday Year", "75: 1930 .. 2004");
  row("customer", "cmbBirthday", "Day", "31: 1 .. 31");
  row("customer", "cmbSalary", "Income", "13: under 100,000 .. above 2,000,000");
  row("customer", "txtAddcompany", "Add(O)", "");
  row("customer", "txtInputCon", "Contact cell", "");
  row("search", "cmbCustsex", "Sex", "3: NA .. female");
  row("search", "cmbBirthmonth", "Borthday(month)", "13: NA .. 12");
  row("search", "txtAddoffice", "Add(O)", "");
  // The result window's values: the caption, also of an empty value, then the value shown.
  row("result", "lblCusttype", "Type", "");
  row("result", "lblEmail", "Email", "");
  row("result", "lblFaxcompany", "Fax", "");
  row("result", "lblName", "Name", "");
  row("result", "lblCurrent", "Position", "");
  row("result", "msfgFamily", "Family", "");
  row("result", "msfgInsurlife", "Insurance", "");
  row("result", "msfgCompenlife", "Compensation", "");
  row("result", "msfgContact", "Contact", "");
  row("result", "cmdNext", "next", "");
  row("schedule", "spnDays", "Days", "");
  row("schedule", "grdUnreadable", "Unreadable", "");
}

void TestUsability::spokenNames() {
  QFETCH(QString, window);
  QFETCH(QString, control);
  QFETCH(QString, name);
  QFETCH(QString, entries);
  if (OnServer()) QSKIP("checked on a database file");
  TestEnv env;
  QWidget* widget = Control<QWidget>(OpenShown(window), control);
  QCOMPARE(widget->accessibleName(), name);
  if (auto* label = qobject_cast<QLabel*>(widget))
    QCOMPARE(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Description),
             label->text());
  if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    QCOMPARE(QStringLiteral("%1: %2 .. %3")
                 .arg(combo->count())
                 .arg(combo->itemText(0), combo->itemText(combo->count() - 1)),
             entries);
  }
}

void TestUsability::keyboardOrder_data() {
  QTest::addColumn<QString>("window");
  QTest::addColumn<QString>("controls");  // from the first control on, as Tab moves the focus
  QTest::newRow("search") << "search"
                          << "cmbCustsex txtCustname cmbCusttype cmdStart cmbBirthmonth cmbSalary "
                             "cmbJobtype txtAddHome txtAddoffice cmbMarriage Command1 cmdEnd";
  QTest::newRow("customer, modify") << "customer"
                                    << "txtName txtCID cmbCusttype cmbBirthyear cmbBirthmonth "
                                       "cmbBirthday cmbMarriage cmbSex cmbBlood txtBirthplace";
}

void TestUsability::keyboardOrder() {
  QFETCH(QString, window);
  QFETCH(QString, controls);
  const QStringList order = controls.split(' ');
  if (OnServer()) QSKIP("checked on a database file");
  TestEnv env;
  QWidget* shown = OpenShown(window);
  if (auto* customer = qobject_cast<frmCust*>(shown)) Press(customer, "modify");
  // The search window's Reset and Exit wait for a search: open, they take the focus too.
  for (auto* button : shown->findChildren<QPushButton*>()) button->setEnabled(true);
  Control<QWidget>(shown, order[0])->setFocus();
  QStringList visited;
  for (int i = 0; i < order.size(); ++i) {
    QWidget* focus = QApplication::focusWidget();
    while (focus && focus->objectName().isEmpty()) focus = focus->parentWidget();
    visited << (focus ? focus->objectName() : QString());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  QCOMPARE(visited, order);
}

QTEST_MAIN(TestUsability)
#include "tst_usability.moc"
