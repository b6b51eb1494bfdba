// Several programs saving the same customers at once: the benchmark's load run, briefly, with
// its check of every client's ledger against the database. A save that overwrote another one
// unseen, or a customer left as no single save wrote it, makes the run end 1.

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include "support/testsupport.h"

namespace {

// A number the load run printed after `label`, -1 when it is missing.
int Printed(const QString& output, const QString& label) {
  const QRegularExpressionMatch match =
      QRegularExpression(QRegularExpression::escape(label) + QStringLiteral(": (\\d+)"))
          .match(output);
  return match.hasMatch() ? match.captured(1).toInt() : -1;
}

}  // namespace

class TestLoadRun : public QObject {
  Q_OBJECT

 private slots:
  void nothingLost();
};

// Four agents on a hot set of twenty customers: nearly every save meets another agent's.
void TestLoadRun::nothingLost() {
  TestEnv env;
  // On a server, the test's own empty database (QEL_DATABASE); else qel.db in the test's folder.
  QProcess bench;
  bench.setProcessChannelMode(QProcess::MergedChannels);
  bench.start(QStringLiteral(QEL_BENCH),
              {QStringLiteral("--agents"), QStringLiteral("4"), QStringLiteral("--seconds"),
               QStringLiteral("2"), QStringLiteral("--customers"), QStringLiteral("20"),
               QStringLiteral("--dir"), env.Dir()});
  QVERIFY(bench.waitForFinished(120000));
  const QString output = QString::fromLocal8Bit(bench.readAll());
  QVERIFY2(bench.exitStatus() == QProcess::NormalExit && bench.exitCode() == 0, qPrintable(output));
  QCOMPARE(Printed(output, QStringLiteral("lost")), 0);
  QCOMPARE(Printed(output, QStringLiteral("without a newer version")), 0);
  QCOMPARE(Printed(output, QStringLiteral("unfinished saves")), 0);
  // The agents really met: saves were refused as changed elsewhere.
  QVERIFY2(Printed(output, QStringLiteral("refused as changed elsewhere")) > 0, qPrintable(output));
  // Every customer a save reached carries a save's mark, in its record and in its lists.
  const int saved = Printed(output, QStringLiteral("customers saved"));
  QVERIFY2(saved > 0, qPrintable(output));
  QCOMPARE(Count("select count(*) from customer where Cust_jobtitle like 'LR%'"), saved);
  for (const char* list :
       {"family:fam_rel", "insurance:Insur_company", "compensate:Comp_date", "contact:Cont_date"}) {
    const QStringList table = QString::fromLatin1(list).split(':');
    QCOMPARE(Count(QStringLiteral("select count(distinct CID) from %1 where %2 like 'LR%'")
                       .arg(table[0], table[1])),
             saved);
  }
}

QTEST_MAIN(TestLoadRun)
#include "tst_loadrun.moc"
