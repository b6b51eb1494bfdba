// What the windows rely on from the toolkit and never show in a normal run: the error boundary
// and the plain message box.

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <stdexcept>

#include "data/dataerror.h"
#include "support/testsupport.h"
#include "ui/toolkit/guard.h"
#include "ui/toolkit/msgbox.h"

class TestToolkit : public QObject {
  Q_OBJECT

 private slots:
  void guardShowsTheErrorAndEnds_data();
  void guardShowsTheErrorAndEnds();
  void msgBoxIsPlain();
};

void TestToolkit::guardShowsTheErrorAndEnds_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<QString>("message");
  QTest::newRow("data error") << 0 << "database disk image is malformed";
  QTest::newRow("standard exception") << 1 << "vector::_M_range_check";
  QTest::newRow("anything else") << 2 << "";
}

void TestToolkit::guardShowsTheErrorAndEnds() {
  QFETCH(int, kind);
  QFETCH(QString, message);
  TestEnv env;
  bool after = false;
  Guard([&] {
    if (kind == 0) throw DataError(message);
    if (kind == 1) throw std::out_of_range(message.toStdString());
    if (kind == 2) throw 42;
    after = true;
  });
  QVERIFY(!after);
  QCOMPARE(env.messages.size(), 1);
  QVERIFY(!env.messages[0].isEmpty());
  if (!message.isEmpty()) QCOMPARE(env.messages[0], message);
  QVERIFY(env.fatalStatus != 0);
  QCOMPARE(env.ended, 0);
}

void TestToolkit::msgBoxIsPlain() {
  TestEnv env;
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

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"
