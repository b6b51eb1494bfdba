#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <stdexcept>

#include "data/dataerror.h"
#include "support/testsupport.h"
#include "ui/toolkit/celleditor.h"
#include "ui/toolkit/clearcontrols.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/keyedtoolbar.h"
#include "ui/toolkit/listgrid.h"
#include "ui/toolkit/msgbox.h"
#include "ui/toolkit/twips.h"

namespace {

int g_loads[2] = {0, 0};

template <int N>
class TestForm : public Form {
 protected:
  void Form_Load() override { ++g_loads[N]; }
};
using FormA = TestForm<0>;
using FormB = TestForm<1>;

// Every row of the grid, the heading row first, each row's cells joined with "|".
QStringList AllLines(const ListGrid* grid) {
  return QStringList{Headings(grid).join('|')} + GridLines(grid);
}

ListGrid* MakeGrid(QWidget* parent, int dataRows) {
  auto* grid = new ListGrid(parent);
  grid->SetCols(3);
  grid->SetRows(dataRows + 1);
  for (int col = 0; col < 3; ++col) grid->SetTextMatrix(0, col, QStringLiteral("H%1").arg(col));
  for (int row = 1; row <= dataRows; ++row)
    for (int col = 0; col < 3; ++col)
      grid->SetTextMatrix(row, col, QStringLiteral("%1.%2").arg(row).arg(col));
  grid->setColumnWidth(1, 77);
  return grid;
}

}  // namespace

class TestToolkit : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void clearControls_data();
  void clearControls();
  void toolbarButtonsAndShortcuts();
  void formLifecycle();
  void guardShowsErrorsAndEnds_data();
  void guardShowsErrorsAndEnds();
  void programEndsWhenNoWindowIsLeft();
  void msgBoxIsPlain();
  void twipsToPixels();

 private:
  std::unique_ptr<TestEnv> m_env;
};

void TestToolkit::init() {
  m_env = std::make_unique<TestEnv>();
  g_loads[0] = g_loads[1] = 0;
}

void TestToolkit::cleanup() {
  m_env.reset();
  QCOMPARE(Form::LoadedCount(), 0);
}

void TestToolkit::clearControls_data() {
  QTest::addColumn<int>("dataRows");
  QTest::newRow("grid with many rows") << 30;
  QTest::newRow("grid with two rows already") << 1;
  QTest::newRow("grid with headings only") << 0;
}

void TestToolkit::clearControls() {
  QFETCH(int, dataRows);
  QWidget window;
  auto* locked = new QLineEdit(QStringLiteral("K1"), &window);
  locked->setEnabled(false);
  auto* combo = new QComboBox(&window);
  combo->setEditable(true);
  combo->addItems({"male", "female"});
  combo->setCurrentIndex(1);
  auto* caption = new QLabel(QStringLiteral("Name"), &window);
  auto* tabs = new QTabWidget(&window);
  auto* page = new QWidget;
  auto* inTab = new QLineEdit(QStringLiteral("in a tab"), page);
  tabs->addTab(new QWidget, QStringLiteral("one"));
  tabs->addTab(page, QStringLiteral("two"));
  tabs->setCurrentIndex(1);
  auto* toolbar = new KeyedToolBar(&window);
  toolbar->AddButton(QStringLiteral("save"), QIcon())->setEnabled(false);
  ListGrid* grid = MakeGrid(page, dataRows);
  grid->SetRow(qMax(1, dataRows));
  grid->SetCol(0);
  // An editor serving a grid of another window, so that clearing that grid would not hide
  // what the editor writes.
  QWidget other;
  ListGrid* otherGrid = MakeGrid(&other, 3);
  auto* editor = new CellEditor(otherGrid, &window);
  connect(editor, &QLineEdit::textChanged, editor, [editor] { editor->WriteBack(); });
  editor->Attach(2, 1);
  editor->setText(QStringLiteral("typed"));
  editor->show();

  ClearControls(&window);
  for (const QWidget* input : {static_cast<QWidget*>(locked), static_cast<QWidget*>(combo),
                               static_cast<QWidget*>(inTab), static_cast<QWidget*>(editor)})
    QCOMPARE(ShownText(input), QString());
  // Entries offered, captions, the tab shown and the toolbar stay as they were.
  QCOMPARE(combo->count(), 2);
  QCOMPARE(caption->text(), QStringLiteral("Name"));
  QCOMPARE(tabs->currentIndex(), 1);
  QVERIFY(!toolbar->Buttons(QStringLiteral("save"))->isEnabled());
  QVERIFY(!locked->isEnabled());
  // Grids keep headings, columns and widths, with one empty row that takes an entry at once.
  QCOMPARE(AllLines(grid), QStringList({"H0|H1|H2", "||"}));
  QCOMPARE(grid->columnWidth(1), 77);
  grid->SetText(QStringLiteral("new"));
  QCOMPARE(AllLines(grid), QStringList({"H0|H1|H2", "||new"}));
  // The editor is detached and hidden: neither the emptying nor later typing writes a cell.
  QVERIFY(!editor->IsAttached() && editor->isHidden());
  editor->setText(QStringLiteral("later"));
  QCOMPARE(AllLines(otherGrid),
           QStringList({"H0|H1|H2", "1.0|1.1|1.2", "2.0|typed|2.2", "3.0|3.1|3.2"}));
}

void TestToolkit::toolbarButtonsAndShortcuts() {
  QWidget window;
  auto* toolbar = new KeyedToolBar(&window);
  QAction* save = toolbar->AddButton(QStringLiteral("save"), QIcon(), QKeySequence("Ctrl+S"));
  toolbar->AddSeparator();
  QAction* exit = toolbar->AddButton(QStringLiteral("exit"), QIcon());
  auto* input = new QLineEdit(&window);
  input->move(0, 60);
  QCOMPARE(toolbar->Buttons(QStringLiteral("Save")), nullptr);  // keys are exact
  QVERIFY2(save->toolTip().contains(QStringLiteral("save")) &&
               save->toolTip().contains(QKeySequence("Ctrl+S").toString(QKeySequence::NativeText)),
           qPrintable(save->toolTip()));
  window.show();
  QApplication::setActiveWindow(&window);
  QVERIFY(QTest::qWaitForWindowActive(&window));
  input->setFocus();

  // Pressed in code, clicked with the mouse, by its shortcut: only while enabled.
  QSignalSpy clicks(toolbar, &KeyedToolBar::ButtonClick);
  toolbar->Press(QStringLiteral("save"));
  toolbar->Press(QStringLiteral("nothing"));
  QTest::mouseClick(toolbar->widgetForAction(exit), Qt::LeftButton);
  QTest::keyClick(input, Qt::Key_S, Qt::ControlModifier);
  save->setEnabled(false);
  toolbar->Press(QStringLiteral("save"));
  QTest::mouseClick(toolbar->widgetForAction(save), Qt::LeftButton);
  QTest::keyClick(input, Qt::Key_S, Qt::ControlModifier);
  QStringList keys;
  for (const auto& click : clicks) keys << click.at(0).toString();
  QCOMPARE(keys, QStringList({"save", "exit", "save"}));
  QCOMPARE(input->text(), QString());
}

void TestToolkit::formLifecycle() {
  QPointer<FormA> a = Show<FormA>();
  QVERIFY(a->isVisible());
  QCOMPARE(Show<FormA>(), a);  // loaded once
  QCOMPARE(g_loads[0], 1);
  QVERIFY(!Load<FormB>()->isVisible());  // loaded, not shown

  // Unloading is at once; the window is destroyed only after the handler returns.
  Unload<FormA>();
  QCOMPARE(Loaded<FormA>(), nullptr);
  QVERIFY(a && !a->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(!a);
  Unload<FormA>();  // not loaded: nothing happens
  QCOMPARE(Form::LoadedCount(), 1);
  a = Show<FormA>();  // a new window, loaded afresh
  QCOMPARE(g_loads[0], 2);

  // The title-bar close unloads.
  Unload<FormB>();
  QVERIFY(QTest::qWaitForWindowExposed(a));
  a->close();
  QCOMPARE(Form::LoadedCount(), 0);
  QCOMPARE(m_env->ended, 1);
  QCOMPARE(m_env->fatalStatus, 0);
}

void TestToolkit::guardShowsErrorsAndEnds_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<QString>("message");
  QTest::newRow("data error") << 0 << "database disk image is malformed";
  QTest::newRow("standard exception") << 1 << "vector::_M_range_check";
  QTest::newRow("anything else") << 2 << "";
  QTest::newRow("data error in a clicked button's handler") << 3 << "no such table: customer";
}

void TestToolkit::guardShowsErrorsAndEnds() {
  QFETCH(int, kind);
  QFETCH(QString, message);
  FormA* window = Show<FormA>();
  bool after = false;
  auto handler = [&] {
    if (kind == 1) throw std::out_of_range(message.toStdString());
    if (kind == 2) throw 42;
    throw DataError(message);
    after = true;
  };
  if (kind == 3) {
    auto* button = new QPushButton(QStringLiteral("go"), window);
    OnEvent(button, &QPushButton::clicked, window, handler);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::mouseClick(button, Qt::LeftButton);
  } else {
    Guard(handler);
  }
  QVERIFY(!after);
  QCOMPARE(m_env->messages.size(), 1);
  QVERIFY(!m_env->messages[0].isEmpty());
  if (!message.isEmpty()) QCOMPARE(m_env->messages[0], message);
  QVERIFY(m_env->fatalStatus != 0);
  QCOMPARE(m_env->ended, 0);
}

void TestToolkit::programEndsWhenNoWindowIsLeft() {
  Show<FormA>();
  Guard([] {});  // windows left: nothing ends
  Guard([] {
    Unload<FormA>();
    Show<FormB>();
  });
  QCOMPARE(m_env->ended, 0);
  int endedInside = -1;
  Guard([&] {
    Unload<FormB>();
    // A nested handler that returns does not end the program while the outer one runs.
    Guard([] {});
    endedInside = m_env->ended;
  });
  QCOMPARE(endedInside, 0);
  QCOMPARE(m_env->ended, 1);
  QCOMPARE(m_env->fatalStatus, 0);
  QVERIFY(m_env->messages.isEmpty());
}

void TestToolkit::msgBoxIsPlain() {
  SetMsgBoxHook({});
  QStringList seen;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen << box->windowTitle() << box->text()
         << QString::number(box->standardButtons() == QMessageBox::Ok)
         << QString::number(box->icon() == QMessageBox::NoIcon)
         << QString::number(box->windowModality() == Qt::ApplicationModal);
    box->button(QMessageBox::Ok)->click();
  });
  MsgBox(QStringLiteral("Top！"));
  QCOMPARE(seen, QStringList({"Qel", "Top！", "1", "1", "1"}));
}

void TestToolkit::twipsToPixels() {
  QWidget parent;
  auto* child = new QWidget(&parent);
  PlaceTwips(child, 1200, 600, 1500, 300);
  QCOMPARE(child->geometry(), QRect(80, 40, 100, 20));
  PlaceTwips(child, 7, 8, 22, 23);  // rounded to the nearest pixel
  QCOMPARE(child->geometry(), QRect(0, 1, 1, 2));
}

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"
