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

int g_loadsA = 0;
int g_loadsB = 0;

class FormA : public Form {
 protected:
  void Form_Load() override { ++g_loadsA; }
};

class FormB : public Form {
 protected:
  void Form_Load() override { ++g_loadsB; }
};

// Every row of the grid, the heading row first, each row's cells joined with "|".
QStringList AllLines(const ListGrid* grid) {
  QStringList lines;
  for (int row = 0; row < grid->Rows(); ++row) {
    QStringList cells;
    for (int col = 0; col < grid->Cols(); ++col) cells << grid->TextMatrix(row, col);
    lines << cells.join('|');
  }
  return lines;
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

  void clearControlsEmptiesInputs();
  void clearControlsCutsGrids_data();
  void clearControlsCutsGrids();
  void clearControlsDetachesCellEditors();

  void toolbarPressAndTips();
  void toolbarShortcuts();

  void formLoadsOnce();
  void unloadIsImmediateDestroyIsLater();
  void titleBarCloseUnloads();

  void guardShowsErrorsAndEnds_data();
  void guardShowsErrorsAndEnds();
  void guardedSignalHandler();
  void endAfterTheLastWindowIsUnloaded();
  void noEndWhenAnotherWindowIsShown();

  void msgBoxHookRecords();
  void msgBoxIsPlain();
  void twipsToPixels_data();
  void twipsToPixels();

 private:
  std::unique_ptr<TestEnv> m_env;
};

void TestToolkit::init() {
  m_env = std::make_unique<TestEnv>();
  g_loadsA = g_loadsB = 0;
}

void TestToolkit::cleanup() {
  m_env.reset();
  QCOMPARE(Form::LoadedCount(), 0);
}

void TestToolkit::clearControlsEmptiesInputs() {
  QWidget window;
  auto* name = new QLineEdit(QStringLiteral("Anna"), &window);
  auto* locked = new QLineEdit(QStringLiteral("K1"), &window);
  locked->setEnabled(false);
  auto* combo = new QComboBox(&window);
  combo->setEditable(true);
  combo->addItems({"male", "female"});
  combo->setCurrentIndex(1);
  auto* typed = new QComboBox(&window);
  typed->setEditable(true);
  typed->setEditText(QStringLiteral("typed text"));
  auto* caption = new QLabel(QStringLiteral("Name"), &window);
  auto* tabs = new QTabWidget(&window);
  auto* page = new QWidget;
  auto* inTab = new QLineEdit(QStringLiteral("in a tab"), page);
  auto* valueLabel = new QLabel(QStringLiteral("value"), page);
  tabs->addTab(new QWidget, QStringLiteral("one"));
  tabs->addTab(page, QStringLiteral("two"));
  tabs->addTab(new QWidget, QStringLiteral("three"));
  tabs->setCurrentIndex(2);
  auto* button = new QPushButton(QStringLiteral("Search"), &window);
  button->setEnabled(false);

  ClearControls(&window);

  QCOMPARE(name->text(), QString());
  QCOMPARE(locked->text(), QString());
  QCOMPARE(inTab->text(), QString());
  QCOMPARE(combo->currentText(), QString());
  QCOMPARE(typed->currentText(), QString());
  // The entries offered stay.
  QCOMPARE(combo->count(), 2);
  QCOMPARE(combo->itemText(1), QStringLiteral("female"));
  QCOMPARE(caption->text(), QStringLiteral("Name"));
  QCOMPARE(valueLabel->text(), QStringLiteral("value"));
  QCOMPARE(tabs->currentIndex(), 2);
  QCOMPARE(tabs->count(), 3);
  QVERIFY(!button->isEnabled());
  QCOMPARE(button->text(), QStringLiteral("Search"));
  QVERIFY(!locked->isEnabled());

  // A combo box emptied while it shows an entry then takes that entry again.
  combo->setEditText(QStringLiteral("female"));
  QCOMPARE(combo->currentText(), QStringLiteral("female"));
}

void TestToolkit::clearControlsCutsGrids_data() {
  QTest::addColumn<int>("dataRows");
  QTest::newRow("many rows") << 30;
  QTest::newRow("two rows already") << 1;
  QTest::newRow("headings only") << 0;
}

void TestToolkit::clearControlsCutsGrids() {
  QFETCH(int, dataRows);
  QWidget window;
  ListGrid* grid = MakeGrid(&window, dataRows);
  grid->SetRow(qMax(1, dataRows));
  grid->SetCol(0);
  ClearControls(&window);
  QCOMPARE(grid->Rows(), 2);
  QCOMPARE(grid->Cols(), 3);
  QCOMPARE(AllLines(grid), QStringList({"H0|H1|H2", "||"}));
  QCOMPARE(grid->columnWidth(1), 77);
  QCOMPARE(grid->Row(), 1);
  QCOMPARE(grid->Col(), 2);
  // The grid takes an entry again at once.
  grid->SetText(QStringLiteral("new"));
  QCOMPARE(AllLines(grid), QStringList({"H0|H1|H2", "||new"}));
}

void TestToolkit::clearControlsDetachesCellEditors() {
  // The editor serves a grid of another window, so the grid's own clearing does not hide
  // what the editor would write.
  QWidget other;
  ListGrid* grid = MakeGrid(&other, 3);
  QWidget window;
  auto* editor = new CellEditor(grid, &window);
  connect(editor, &QLineEdit::textChanged, editor, [editor] { editor->WriteBack(); });
  editor->Attach(2, 1);
  editor->setText(QStringLiteral("typed"));
  editor->show();
  QCOMPARE(grid->TextMatrix(2, 1), QStringLiteral("typed"));

  ClearControls(&window);
  QCOMPARE(editor->text(), QString());
  QVERIFY(!editor->IsAttached());
  QVERIFY(editor->isHidden());
  QCOMPARE(grid->TextMatrix(2, 1), QStringLiteral("typed"));
  QCOMPARE(grid->Rows(), 4);

  // A detached editor writes nothing.
  editor->setText(QStringLiteral("later"));
  QCOMPARE(AllLines(grid),
           QStringList({"H0|H1|H2", "1.0|1.1|1.2", "2.0|typed|2.2", "3.0|3.1|3.2"}));
}

void TestToolkit::toolbarPressAndTips() {
  QWidget window;
  auto* toolbar = new KeyedToolBar(&window);
  QAction* save = toolbar->AddButton(QStringLiteral("save"), QIcon(), QKeySequence("Ctrl+S"));
  toolbar->AddSeparator();
  QAction* exit = toolbar->AddButton(QStringLiteral("exit"), QIcon());
  QCOMPARE(toolbar->Buttons(QStringLiteral("save")), save);
  QCOMPARE(toolbar->Buttons(QStringLiteral("Save")), nullptr);
  QVERIFY(save->toolTip().contains(QStringLiteral("save")));
  QVERIFY2(save->toolTip().contains(QKeySequence("Ctrl+S").toString(QKeySequence::NativeText)),
           qPrintable(save->toolTip()));
  QCOMPARE(exit->toolTip(), QStringLiteral("exit"));
  QCOMPARE(save->text(), QStringLiteral("save"));

  QSignalSpy clicks(toolbar, &KeyedToolBar::ButtonClick);
  toolbar->Press(QStringLiteral("save"));
  save->setEnabled(false);
  toolbar->Press(QStringLiteral("save"));
  toolbar->Press(QStringLiteral("nothing"));
  toolbar->Press(QStringLiteral("exit"));
  QCOMPARE(clicks.count(), 2);
  QCOMPARE(clicks.at(0).at(0).toString(), QStringLiteral("save"));
  QCOMPARE(clicks.at(1).at(0).toString(), QStringLiteral("exit"));

  // The button itself, clicked with the mouse.
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QWidget* exitButton = toolbar->widgetForAction(exit);
  QVERIFY(exitButton);
  QTest::mouseClick(exitButton, Qt::LeftButton);
  QCOMPARE(clicks.count(), 3);
  QTest::mouseClick(toolbar->widgetForAction(save), Qt::LeftButton);
  QCOMPARE(clicks.count(), 3);
}

void TestToolkit::toolbarShortcuts() {
  QWidget window;
  auto* toolbar = new KeyedToolBar(&window);
  QAction* save = toolbar->AddButton(QStringLiteral("save"), QIcon(), QKeySequence("Ctrl+S"));
  auto* input = new QLineEdit(&window);
  input->move(0, 60);
  window.show();
  QApplication::setActiveWindow(&window);
  QVERIFY(QTest::qWaitForWindowActive(&window));
  input->setFocus();

  QSignalSpy clicks(toolbar, &KeyedToolBar::ButtonClick);
  QTest::keyClick(input, Qt::Key_S, Qt::ControlModifier);
  QCOMPARE(clicks.count(), 1);
  save->setEnabled(false);
  QTest::keyClick(input, Qt::Key_S, Qt::ControlModifier);
  QCOMPARE(clicks.count(), 1);
  QCOMPARE(input->text(), QString());
}

void TestToolkit::formLoadsOnce() {
  QCOMPARE(Loaded<FormA>(), nullptr);
  FormA* a = Show<FormA>();
  QVERIFY(a);
  QVERIFY(a->isVisible());
  QCOMPARE(g_loadsA, 1);
  QCOMPARE(Show<FormA>(), a);
  QCOMPARE(Load<FormA>(), a);
  QCOMPARE(g_loadsA, 1);
  QCOMPARE(Loaded<FormA>(), a);
  QCOMPARE(Form::LoadedCount(), 1);
  QCOMPARE(Loaded<FormB>(), nullptr);

  // Load does not show.
  FormB* b = Load<FormB>();
  QCOMPARE(g_loadsB, 1);
  QVERIFY(!b->isVisible());
  QCOMPARE(Form::LoadedCount(), 2);
}

void TestToolkit::unloadIsImmediateDestroyIsLater() {
  QPointer<FormA> a = Show<FormA>();
  Show<FormB>();
  Unload<FormA>();
  QCOMPARE(Loaded<FormA>(), nullptr);
  QCOMPARE(Form::LoadedCount(), 1);
  QVERIFY(a);  // still there while the handler runs
  QVERIFY(!a->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(!a);
  Unload<FormA>();  // not loaded: nothing happens
  QCOMPARE(Form::LoadedCount(), 1);

  // Shown again: a new window, loaded afresh.
  FormA* again = Show<FormA>();
  QCOMPARE(g_loadsA, 2);
  QCOMPARE(Loaded<FormA>(), again);
  QCOMPARE(Form::LoadedCount(), 2);
}

void TestToolkit::titleBarCloseUnloads() {
  FormA* a = Show<FormA>();
  QVERIFY(QTest::qWaitForWindowExposed(a));
  a->close();
  QCOMPARE(Loaded<FormA>(), nullptr);
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
}

void TestToolkit::guardShowsErrorsAndEnds() {
  QFETCH(int, kind);
  QFETCH(QString, message);
  Show<FormA>();
  bool after = false;
  Guard([&] {
    if (kind == 0) throw DataError(message);
    if (kind == 1) throw std::out_of_range(message.toStdString());
    throw 42;
    after = true;
  });
  QVERIFY(!after);
  QCOMPARE(m_env->messages.size(), 1);
  if (!message.isEmpty()) QCOMPARE(m_env->messages[0], message);
  QVERIFY(!m_env->messages[0].isEmpty());
  QVERIFY(m_env->fatalStatus != 0);
  QCOMPARE(m_env->ended, 0);
}

void TestToolkit::guardedSignalHandler() {
  auto* window = Show<FormA>();
  auto* button = new QPushButton(QStringLiteral("go"), window);
  int runs = 0;
  OnEvent(button, &QPushButton::clicked, window, [&] {
    ++runs;
    throw DataError(QStringLiteral("no such table: customer"));
  });
  QVERIFY(QTest::qWaitForWindowExposed(window));
  QTest::mouseClick(button, Qt::LeftButton);
  QCOMPARE(runs, 1);
  QCOMPARE(m_env->messages, QStringList{"no such table: customer"});
  QVERIFY(m_env->fatalStatus != 0);
}

void TestToolkit::endAfterTheLastWindowIsUnloaded() {
  Show<FormA>();
  int endedInside = -1;
  Guard([&] {
    Unload<FormA>();
    endedInside = m_env->ended;
    // A nested handler that returns does not end the program while the outer one runs.
    Guard([] {});
    endedInside += m_env->ended;
  });
  QCOMPARE(endedInside, 0);
  QCOMPARE(m_env->ended, 1);
  QCOMPARE(m_env->fatalStatus, 0);
  QVERIFY(m_env->messages.isEmpty());
}

void TestToolkit::noEndWhenAnotherWindowIsShown() {
  Show<FormA>();
  Guard([] {
    Unload<FormA>();
    Show<FormB>();
  });
  QCOMPARE(m_env->ended, 0);
  QCOMPARE(Form::LoadedCount(), 1);
  // And a handler that leaves windows loaded ends nothing.
  Guard([] {});
  QCOMPARE(m_env->ended, 0);
  Guard([] { Unload<FormB>(); });
  QCOMPARE(m_env->ended, 1);
}

void TestToolkit::msgBoxHookRecords() {
  MsgBox(QStringLiteral("Finish"));
  MsgBox(QStringLiteral(" 2 items has be found！"));
  QCOMPARE(m_env->messages, QStringList({"Finish", " 2 items has be found！"}));
}

void TestToolkit::msgBoxIsPlain() {
  SetMsgBoxHook({});
  QWidget window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QString title, text;
  int buttons = -1;
  int icon = -1;
  Qt::WindowModality modality = Qt::NonModal;
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen = true;
    title = box->windowTitle();
    text = box->text();
    buttons = int(box->standardButtons());
    icon = int(box->icon());
    modality = box->windowModality();
    box->button(QMessageBox::Ok)->click();
  });
  bool returned = false;
  QTimer::singleShot(5000, [&] {
    if (!returned && QApplication::activeModalWidget()) QApplication::activeModalWidget()->close();
  });
  MsgBox(QStringLiteral("Top！"));
  returned = true;
  QVERIFY(seen);
  QCOMPARE(title, QStringLiteral("Qel"));
  QCOMPARE(text, QStringLiteral("Top！"));
  QCOMPARE(buttons, int(QMessageBox::Ok));
  QCOMPARE(icon, int(QMessageBox::NoIcon));
  QCOMPARE(modality, Qt::ApplicationModal);
}

void TestToolkit::twipsToPixels_data() {
  QTest::addColumn<QRect>("twips");
  QTest::addColumn<QRect>("pixels");
  QTest::newRow("whole pixels") << QRect(1200, 600, 1500, 300) << QRect(80, 40, 100, 20);
  QTest::newRow("rounded") << QRect(7, 8, 22, 23) << QRect(0, 1, 1, 2);
  QTest::newRow("zero") << QRect(0, 0, 0, 0) << QRect(0, 0, 0, 0);
}

void TestToolkit::twipsToPixels() {
  QFETCH(QRect, twips);
  QFETCH(QRect, pixels);
  QWidget parent;
  auto* child = new QWidget(&parent);
  PlaceTwips(child, twips.x(), twips.y(), twips.width(), twips.height());
  QCOMPARE(child->geometry(), pixels);
}

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"
