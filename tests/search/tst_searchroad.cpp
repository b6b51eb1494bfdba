#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/module1.h"
#include "support/testsupport.h"
#include "ui/customer/frmcust.h"
#include "ui/result/frmsearchresult.h"
#include "ui/search/frmsearch.h"
#include "ui/toolkit/keyedtoolbar.h"
#include "ui/toolkit/listgrid.h"

// The agent's usual road: customer window, search, results, back to the customer window.
class TestSearchRoad : public QObject {
  Q_OBJECT

 private slots:
  void typicalRoad();
};

void TestSearchRoad::typicalRoad() {
  TestEnv env;
  CreateDatabase();
  InsertCustomer("K1",
                 {{"Cust_name", QStringLiteral("Chen Yi")}, {"Cust_sex", QStringLiteral("male")}});
  InsertCustomer("K2", {{"Cust_name", QStringLiteral("Wang Mei")},
                        {"Cust_sex", QStringLiteral("female")},
                        {"Cust_email", QStringLiteral("mei@example.com")}});
  InsertCustomer(
      "K3", {{"Cust_name", QStringLiteral("Wang Gang")}, {"Cust_sex", QStringLiteral("male")}});
  InsertCustomer(
      "K4", {{"Cust_name", QStringLiteral("Li Wang")}, {"Cust_sex", QStringLiteral("female")}});
  InsertChild("family", "K2", {"husband", "Gao Jun"});
  InsertChild("insurance", "K4", {"Life Co", "Term"});

  frmCust* cust = Show<frmCust>();
  QCOMPARE(cust->txtName->text(), QStringLiteral("Chen Yi"));
  cust->Toolbar1->Press(QStringLiteral("search"));
  frmSearch* search = Loaded<frmSearch>();
  QVERIFY(search && search->isVisible());

  PickEntry(search->cmbCustsex, QStringLiteral("female"));
  ReplaceText(search->txtCustname, QStringLiteral("Wang"));
  ClickButton(search->cmdStart);
  QCOMPARE(env.messages, QStringList{" 2 items has be found！"});
  QCOMPARE(Loaded<frmCust>(), nullptr);
  frmSearchResult* result = Loaded<frmSearchResult>();
  QVERIFY(result && result->isVisible());
  QCOMPARE(result->lblCurrent->text() + " ／ " + result->lblTotal->text(),
           QStringLiteral("1 ／ 2"));
  QCOMPARE(result->lblName->text(), QStringLiteral("Wang Mei"));
  QCOMPARE(result->lblEmail->text(), QStringLiteral("mei@example.com"));
  QCOMPARE(result->msfgFamily->TextMatrix(1, 1), QStringLiteral("Gao Jun"));

  ClickButton(result->cmdNext);
  QCOMPARE(result->lblCurrent->text(), QStringLiteral("2"));
  QCOMPARE(result->lblName->text(), QStringLiteral("Li Wang"));
  QCOMPARE(result->msfgInsurlife->TextMatrix(1, 0), QStringLiteral("Life Co"));
  QCOMPARE(result->msfgFamily->Rows(), 2);

  ClickButton(result->cmdExit);
  QCOMPARE(Loaded<frmSearchResult>(), nullptr);
  QVERIFY(search->Command1->isEnabled() && search->cmdEnd->isEnabled());
  QVERIFY(!search->cmdStart->isEnabled());

  ClickButton(search->cmdEnd);
  QCOMPARE(Loaded<frmSearch>(), nullptr);
  cust = Loaded<frmCust>();
  QVERIFY(cust && cust->isVisible());
  QCOMPARE(cust->txtCID->text(), QStringLiteral("K1"));
  // The customer window browses the whole table again.
  cust->Toolbar1->Press(QStringLiteral("last"));
  QCOMPARE(cust->txtName->text(), QStringLiteral("Li Wang"));
  QCOMPARE(env.messages.size(), 1);
  QCOMPARE(env.ended, 0);
  QCOMPARE(env.fatalStatus, 0);

  // Leaving the customer window now ends the program.
  cust->Toolbar1->Press(QStringLiteral("exit"));
  QCOMPARE(env.ended, 1);
}

QTEST_MAIN(TestSearchRoad)
#include "tst_searchroad.moc"
