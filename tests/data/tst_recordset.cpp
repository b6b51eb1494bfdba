#include <QtTest>
#include <memory>

#include "app/module1.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "data/sqltext.h"
#include "support/testsupport.h"

namespace {

// The keys of a set's rows from the current row to the end.
QStringList KeysToEnd(Recordset& set, const QString& column = QStringLiteral("CID")) {
  QStringList keys;
  while (!set.Eof()) {
    keys << set.Field(column).value_or(QStringLiteral("<null>"));
    set.MoveNext();
  }
  return keys;
}

QStringList Keys(Recordset& set, const QString& column = QStringLiteral("CID")) {
  if (set.RecordCount() > 0) set.MoveFirst();
  return KeysToEnd(set, column);
}

QStringList MakeCustomers(int count) {
  QStringList keys;
  for (int i = 1; i <= count; ++i) {
    keys << QStringLiteral("K%1").arg(i);
    InsertSimpleCustomer(keys.last(), QStringLiteral("Customer %1").arg(i));
  }
  return keys;
}

// The fam_name column of a customer's family rows, in rowid order.
QStringList FamilyNames(const QString& cid) {
  QStringList names;
  for (const auto& row : ChildRows(QStringLiteral("family"), cid))
    names << row[1].value_or(QStringLiteral("<null>"));
  return names;
}

}  // namespace

class TestRecordset : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void walkForwardAndBack_data();
  void walkForwardAndBack();
  void emptySetHasNoCurrentRow();
  void oneRowSetEnds();
  void movesPastAnEndThrow();

  void addNewTwiceStoresThePendingRow();
  void updateWritesTheCurrentRowOnly();
  void deleteRemovesTheCurrentRowOnly();
  void deleteThenMovesAndRequery();
  void nullAndEmptyTextStayApart_data();
  void nullAndEmptyTextStayApart();
  void namesIgnoreCase();
  void childFieldsByPosition();

  void sqlQuote_data();
  void sqlQuote();
  void quotedKeyFindsOnlyItsRows_data();
  void quotedKeyFindsOnlyItsRows();
  void nulCharactersAreStripped();

  void rowDeletedByAnotherConnectionThrows();
  void bookmarks();
  void staticCursorOverSelectedKeys();
  void keysAreReadOnFirstUse();

  void rollbackRestoresRecordSets();
  void rollbackDropsUnsavedEdits();
  void commitKeepsChanges();
  void failedStatementRolledBack_data();
  void failedStatementRolledBack();

 private:
  std::unique_ptr<TestEnv> m_env;
  std::unique_ptr<Connection> m_db;
};

void TestRecordset::init() {
  m_env = std::make_unique<TestEnv>();
  CreateDatabase();
  m_db = std::make_unique<Connection>();
  m_db->Open(kDatabaseFile);
}

void TestRecordset::cleanup() {
  m_db.reset();
  m_env.reset();
}

void TestRecordset::walkForwardAndBack_data() {
  QTest::addColumn<int>("count");
  QTest::newRow("one row") << 1;
  QTest::newRow("two rows") << 2;
  QTest::newRow("many rows") << 7;
}

void TestRecordset::walkForwardAndBack() {
  QFETCH(int, count);
  const QStringList keys = MakeCustomers(count);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  QCOMPARE(set.RecordCount(), count);
  QVERIFY(!set.Bof());
  QVERIFY(!set.Eof());
  QCOMPARE(KeysToEnd(set), keys);
  QVERIFY(set.Eof());
  QVERIFY(!set.Bof());

  set.MoveLast();
  QStringList backwards;
  while (!set.Bof()) {
    backwards.prepend(*set.Field(QStringLiteral("CID")));
    set.MovePrevious();
  }
  QCOMPARE(backwards, keys);
  QVERIFY(!set.Eof());

  // From BOF the next row is the first one; from EOF the previous one is the last.
  set.MoveNext();
  QCOMPARE(*set.Field(QStringLiteral("CID")), keys.first());
  set.MoveLast();
  set.MoveNext();
  QVERIFY(set.Eof());
  set.MovePrevious();
  QCOMPARE(*set.Field(QStringLiteral("CID")), keys.last());
}

void TestRecordset::emptySetHasNoCurrentRow() {
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  QCOMPARE(set.RecordCount(), 0);
  QVERIFY(set.Bof());
  QVERIFY(set.Eof());
  QVERIFY_THROWS_EXCEPTION(DataError, set.Field(QStringLiteral("CID")));
  QVERIFY_THROWS_EXCEPTION(DataError, set.Field(0));
  QVERIFY_THROWS_EXCEPTION(DataError, set.SetField(QStringLiteral("CID"), QStringLiteral("x")));
  QVERIFY_THROWS_EXCEPTION(DataError, set.Delete());
  QVERIFY_THROWS_EXCEPTION(DataError, set.Bookmark());
  // The set is still usable after the refusals.
  QVERIFY(set.Bof() && set.Eof());
  QCOMPARE(Count(QStringLiteral("select count(*) from customer")), 0);
}

void TestRecordset::oneRowSetEnds() {
  MakeCustomers(1);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  QCOMPARE(*set.Field(QStringLiteral("Cust_name")), QStringLiteral("Customer 1"));
  set.MoveNext();
  QVERIFY(set.Eof());
  QVERIFY(!set.Bof());
  QVERIFY_THROWS_EXCEPTION(DataError, set.Field(QStringLiteral("Cust_name")));
  set.MovePrevious();
  QVERIFY(!set.Bof() && !set.Eof());
  set.MovePrevious();
  QVERIFY(set.Bof());
  QVERIFY(!set.Eof());
  QVERIFY_THROWS_EXCEPTION(DataError, set.Field(QStringLiteral("Cust_name")));
  set.MoveLast();
  QCOMPARE(*set.Field(QStringLiteral("CID")), QStringLiteral("K1"));
  set.MoveFirst();
  QCOMPARE(*set.Field(QStringLiteral("CID")), QStringLiteral("K1"));
}

void TestRecordset::movesPastAnEndThrow() {
  {
    Recordset empty;
    empty.Open(QStringLiteral("customer"), *m_db);
    QVERIFY_THROWS_EXCEPTION(DataError, empty.MoveFirst());
    QVERIFY_THROWS_EXCEPTION(DataError, empty.MoveLast());
    QVERIFY_THROWS_EXCEPTION(DataError, empty.MoveNext());
    QVERIFY_THROWS_EXCEPTION(DataError, empty.MovePrevious());
  }
  MakeCustomers(2);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  set.MoveLast();
  set.MoveNext();
  QVERIFY_THROWS_EXCEPTION(DataError, set.MoveNext());
  QVERIFY(set.Eof());
  set.MoveFirst();
  set.MovePrevious();
  QVERIFY_THROWS_EXCEPTION(DataError, set.MovePrevious());
  QVERIFY(set.Bof());
  // After the refused move the set still walks normally.
  set.MoveNext();
  QCOMPARE(*set.Field(QStringLiteral("CID")), QStringLiteral("K1"));
}

void TestRecordset::addNewTwiceStoresThePendingRow() {
  InsertChild(QStringLiteral("family"), QStringLiteral("A"), {QStringLiteral("old")});
  Recordset set;
  set.Open(QStringLiteral("select * from family where CID='A'"), *m_db);
  QCOMPARE(set.RecordCount(), 1);
  set.AddNew();
  set.SetField(QStringLiteral("CID"), QStringLiteral("A"));
  set.SetField(3, QStringLiteral("first"));
  set.AddNew();  // stores "first"
  set.SetField(QStringLiteral("CID"), QStringLiteral("A"));
  set.SetField(3, QStringLiteral("second"));
  QCOMPARE(FamilyNames(QStringLiteral("A")), QStringList({"<null>", "first"}));
  set.Update();
  QCOMPARE(FamilyNames(QStringLiteral("A")), QStringList({"<null>", "first", "second"}));
  QCOMPARE(set.RecordCount(), 3);
  QCOMPARE(*set.Field(3), QStringLiteral("second"));  // the stored row is current
  QVERIFY(!set.EditPending());

  // A new row that is cancelled stores nothing.
  set.AddNew();
  set.SetField(QStringLiteral("CID"), QStringLiteral("A"));
  set.CancelUpdate();
  set.Requery();
  QCOMPARE(set.RecordCount(), 3);
  QCOMPARE(Count(QStringLiteral("select count(*) from family")), 3);
}

void TestRecordset::updateWritesTheCurrentRowOnly() {
  MakeCustomers(3);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  set.MoveNext();
  set.SetField(QStringLiteral("Cust_name"), QStringLiteral("Renamed"));
  set.SetField(QStringLiteral("Cust_email"), QStringLiteral("k2@example.org"));
  QCOMPARE(*set.Field(QStringLiteral("Cust_name")), QStringLiteral("Renamed"));
  set.Update();
  QCOMPARE(*CustomerRow("K2")["Cust_name"], QStringLiteral("Renamed"));
  QCOMPARE(*CustomerRow("K2")["Cust_email"], QStringLiteral("k2@example.org"));
  QCOMPARE(*CustomerRow("K1")["Cust_name"], QStringLiteral("Customer 1"));
  QCOMPARE(*CustomerRow("K3")["Cust_name"], QStringLiteral("Customer 3"));
  QCOMPARE(*set.Field(QStringLiteral("Cust_name")), QStringLiteral("Renamed"));

  // A pending edit is stored by the next move, not lost and not written to the next row.
  set.SetField(QStringLiteral("Cust_name"), QStringLiteral("Moved on"));
  set.MoveNext();
  QCOMPARE(*CustomerRow("K2")["Cust_name"], QStringLiteral("Moved on"));
  QCOMPARE(*CustomerRow("K3")["Cust_name"], QStringLiteral("Customer 3"));
}

void TestRecordset::deleteRemovesTheCurrentRowOnly() {
  MakeCustomers(3);
  InsertChild(QStringLiteral("family"), QStringLiteral("K1"), {QString(), QStringLiteral("a")});
  InsertChild(QStringLiteral("family"), QStringLiteral("K2"), {QString(), QStringLiteral("b")});
  InsertChild(QStringLiteral("family"), QStringLiteral("K2"), {QString(), QStringLiteral("c")});
  Recordset family;
  family.Open(QStringLiteral("select * from family where CID='K2'"), *m_db);
  family.MoveLast();
  family.Delete();
  QCOMPARE(FamilyNames(QStringLiteral("K2")), QStringList{"b"});
  QCOMPARE(FamilyNames(QStringLiteral("K1")), QStringList{"a"});
  // The deleted row cannot be read any more.
  QVERIFY_THROWS_EXCEPTION(DataError, family.Field(3));
  QVERIFY_THROWS_EXCEPTION(DataError, family.Delete());

  Recordset customers;
  customers.Open(QStringLiteral("customer"), *m_db);
  customers.MoveNext();
  customers.Delete();
  QCOMPARE(Rows(QStringLiteral("select CID from customer order by rowid")),
           (QVector<QVector<Value>>{{QStringLiteral("K1")}, {QStringLiteral("K3")}}));
  QCOMPARE(customers.RecordCount(), 2);
  customers.Requery();
  QVERIFY(!customers.Bof());
  QCOMPARE(*customers.Field(QStringLiteral("CID")), QStringLiteral("K1"));
  QCOMPARE(Keys(customers), QStringList({"K1", "K3"}));
}

void TestRecordset::deleteThenMovesAndRequery() {
  MakeCustomers(3);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  set.MoveNext();
  set.Delete();
  set.MoveNext();  // the row after the deleted one
  QCOMPARE(*set.Field(QStringLiteral("CID")), QStringLiteral("K3"));

  set.MoveFirst();
  set.Delete();
  set.MovePrevious();  // nothing before the deleted first row
  QVERIFY(set.Bof());

  set.MoveLast();
  set.Delete();  // the last row: nothing is left
  QCOMPARE(set.RecordCount(), 0);
  set.Requery();
  QVERIFY(set.Bof() && set.Eof());
  QCOMPARE(Count(QStringLiteral("select count(*) from customer")), 0);
}

void TestRecordset::nullAndEmptyTextStayApart_data() {
  QTest::addColumn<Value>("value");
  QTest::newRow("null") << Value();
  QTest::newRow("empty text") << Value(QString());
  QTest::newRow("empty text (\"\")") << Value(QStringLiteral(""));
  QTest::newRow("blank") << Value(QStringLiteral(" "));
  QTest::newRow("text \"NULL\"") << Value(QStringLiteral("NULL"));
  QTest::newRow("chinese") << Value(QStringLiteral("王小明"));
}

void TestRecordset::nullAndEmptyTextStayApart() {
  QFETCH(Value, value);
  {
    Recordset set;
    set.Open(QStringLiteral("family"), *m_db);
    set.AddNew();
    set.SetField(QStringLiteral("CID"), QStringLiteral("A"));
    set.SetField(3, value);
    QCOMPARE(set.Field(3), value);
    set.Update();
    QCOMPARE(set.Field(3), value);
  }
  // In the file: Null stays Null, empty text stays text.
  const auto rows = ChildRows(QStringLiteral("family"), QStringLiteral("A"));
  QCOMPARE(rows.size(), 1);
  QCOMPARE(rows[0][1], value);
  QCOMPARE(Count(QStringLiteral("select count(*) from family where fam_name is null")),
           value ? 0 : 1);

  // Read back through a fresh set.
  Recordset again;
  again.Open(QStringLiteral("select * from family where CID='A'"), *m_db);
  QCOMPARE(again.Field(QStringLiteral("fam_name")), value);
  QCOMPARE(again.Field(QStringLiteral("fam_sex")), Value());
}

void TestRecordset::namesIgnoreCase() {
  InsertSimpleCustomer(QStringLiteral("A"), QStringLiteral("Anna"));
  Sql(QStringLiteral("update customer set Cust_sex='female'"));
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  QCOMPARE(*set.Field(QStringLiteral("cust_sex")), QStringLiteral("female"));
  QCOMPARE(*set.Field(QStringLiteral("CUST_SEX")), QStringLiteral("female"));
  QCOMPARE(*set.Field(QStringLiteral("cid")), QStringLiteral("A"));
  set.SetField(QStringLiteral("CUST_sex"), QStringLiteral("male"));
  set.Update();
  QCOMPARE(*CustomerRow("A")["Cust_sex"], QStringLiteral("male"));
  QVERIFY_THROWS_EXCEPTION(DataError, set.Field(QStringLiteral("Cust_sexx")));
  QVERIFY_THROWS_EXCEPTION(DataError, set.SetField(QStringLiteral("sex"), QStringLiteral("x")));
  QCOMPARE(*CustomerRow("A")["Cust_sex"], QStringLiteral("male"));
}

void TestRecordset::childFieldsByPosition() {
  InsertChild(QStringLiteral("contact"), QStringLiteral("A"),
              {QStringLiteral("2024/1/2"), QStringLiteral("10:00"), QStringLiteral("office"),
               QStringLiteral("call"), QStringLiteral("renewal"), QStringLiteral("talked"),
               QStringLiteral("done"), QStringLiteral("note")});
  Recordset set;
  set.Open(QStringLiteral("select * from contact where CID='A'"), *m_db);
  QCOMPARE(set.FieldCount(), 10);
  QCOMPARE(set.FieldName(1), QStringLiteral("CID"));
  QCOMPARE(set.FieldName(2), QStringLiteral("Cont_date"));
  QCOMPARE(*set.Field(2), QStringLiteral("2024/1/2"));
  QCOMPARE(*set.Field(9), QStringLiteral("note"));
  QCOMPARE(*set.Field(1), QStringLiteral("A"));
  QVERIFY_THROWS_EXCEPTION(DataError, set.Field(10));
  QVERIFY_THROWS_EXCEPTION(DataError, set.Field(-1));

  // Written by position, read by name: data column k lands at position k + 2.
  const QStringList names = {"Insur_company",   "Insur_type",     "Insur_amount",  "Insur_year",
                             "Insur_num",       "Insur_promisor", "Insur_benefit", "Insur_rate",
                             "Insur_paymethod", "Insur_buydate",  "Insur_anniver"};
  Recordset insurance;
  insurance.Open(QStringLiteral("insurance"), *m_db);
  insurance.AddNew();
  insurance.SetField(QStringLiteral("CID"), QStringLiteral("A"));
  for (int k = 0; k < names.size(); ++k) insurance.SetField(k + 2, QStringLiteral("v%1").arg(k));
  insurance.Update();
  const QStringList columns = names;
  const auto row = Rows(QStringLiteral("select CID, %1 from insurance").arg(columns.join(',')));
  QCOMPARE(row.size(), 1);
  QCOMPARE(*row[0][0], QStringLiteral("A"));
  for (int k = 0; k < names.size(); ++k) QCOMPARE(*row[0][k + 1], QStringLiteral("v%1").arg(k));
}

void TestRecordset::sqlQuote_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("quoted");
  QTest::newRow("plain") << "A001"
                         << "'A001'";
  QTest::newRow("empty") << ""
                         << "''";
  QTest::newRow("one quote") << "O'Brien"
                             << "'O''Brien'";
  QTest::newRow("only a quote") << "'"
                                << "''''";
  QTest::newRow("two quotes") << "''"
                              << "''''''";
  QTest::newRow("NUL") << QStringLiteral("a") + QChar(0) + QStringLiteral("'b") << "'a''b'";
}

void TestRecordset::sqlQuote() {
  QFETCH(QString, text);
  QFETCH(QString, quoted);
  QCOMPARE(SqlQuote(text), quoted);
}

void TestRecordset::quotedKeyFindsOnlyItsRows_data() {
  QTest::addColumn<QString>("key");
  QTest::newRow("quote inside") << "O'Brien";
  QTest::newRow("quote alone") << "'";
  QTest::newRow("doubled quote") << "a''b";
  QTest::newRow("quote at the end") << "K1'";
  QTest::newRow("always true") << "x' or '1'='1";
  QTest::newRow("comment") << "K1'--";
  QTest::newRow("chinese") << "王'小明";
}

void TestRecordset::quotedKeyFindsOnlyItsRows() {
  QFETCH(QString, key);
  // Neighbours whose keys the statement could reach if the quote ended the literal early.
  for (const char* other : {"O", "Brien", "a'b", "K1", "x", "", "王"})
    InsertChild(QStringLiteral("family"), QString::fromUtf8(other),
                {QString(), QStringLiteral("other")});
  InsertChild(QStringLiteral("family"), key, {QString(), QStringLiteral("mine 1")});
  InsertChild(QStringLiteral("family"), key, {QString(), QStringLiteral("mine 2")});

  Recordset set;
  set.Open(QStringLiteral("select * from family where CID=") + SqlQuote(key), *m_db);
  QCOMPARE(set.RecordCount(), 2);
  QCOMPARE(Keys(set, QStringLiteral("fam_name")), QStringList({"mine 1", "mine 2"}));
  QCOMPARE(Keys(set), QStringList({key, key}));

  // Deleting by the quoted key touches that customer's rows only.
  QCOMPARE(m_db->Execute(QStringLiteral("delete from family where CID=") + SqlQuote(key)), 2);
  QCOMPARE(Count(QStringLiteral("select count(*) from family")), 7);
}

void TestRecordset::nulCharactersAreStripped() {
  const QString nul(QChar(0));
  InsertSimpleCustomer(QStringLiteral("AB"), QStringLiteral("Anna"));
  Recordset set;
  set.Open(QStringLiteral("select * from customer where CID=") + SqlQuote("A" + nul + "B"), *m_db);
  QCOMPARE(set.RecordCount(), 1);
  set.SetField(QStringLiteral("Cust_name"), "An" + nul + "na B");
  set.Update();
  QCOMPARE(*CustomerRow("AB")["Cust_name"], QStringLiteral("Anna B"));

  m_db->Execute(QStringLiteral("update customer set Cust_email=? where CID=?"),
                {QVariant("a" + nul + "@b"), QVariant("AB")});
  QCOMPARE(*CustomerRow("AB")["Cust_email"], QStringLiteral("a@b"));
  m_db->Execute("update customer set Cust_fax='1" + nul + "2' where CID='AB'");
  QCOMPARE(*CustomerRow("AB")["Cust_fax"], QStringLiteral("12"));
}

void TestRecordset::rowDeletedByAnotherConnectionThrows() {
  MakeCustomers(3);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  QCOMPARE(*set.Field(QStringLiteral("CID")), QStringLiteral("K1"));
  Sql(QStringLiteral("delete from customer where CID in ('K1','K2')"));
  // The row already shown is gone as well: a move back onto it reads it afresh.
  set.MoveNext();
  QVERIFY_THROWS_EXCEPTION(DataError, set.Field(QStringLiteral("Cust_name")));
  set.SetField(QStringLiteral("Cust_name"), QStringLiteral("x"));
  QVERIFY_THROWS_EXCEPTION(DataError, set.Update());
  set.CancelUpdate();
  set.MoveFirst();
  QVERIFY_THROWS_EXCEPTION(DataError, set.Field(QStringLiteral("Cust_name")));
  QVERIFY_THROWS_EXCEPTION(DataError, set.Delete());
  set.MoveLast();
  QCOMPARE(*set.Field(QStringLiteral("CID")), QStringLiteral("K3"));
  QCOMPARE(Count(QStringLiteral("select count(*) from customer")), 1);
  set.Requery();
  QCOMPARE(Keys(set), QStringList{"K3"});
}

void TestRecordset::bookmarks() {
  MakeCustomers(4);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  set.MoveNext();
  set.MoveNext();
  const qint64 mark = set.Bookmark();
  set.MoveFirst();
  QVERIFY(set.MoveToBookmark(mark));
  QCOMPARE(*set.Field(QStringLiteral("CID")), QStringLiteral("K3"));

  // A bookmark survives a Requery, which puts the first row current.
  set.Requery();
  QCOMPARE(*set.Field(QStringLiteral("CID")), QStringLiteral("K1"));
  QVERIFY(set.MoveToBookmark(mark));
  QCOMPARE(*set.Field(QStringLiteral("CID")), QStringLiteral("K3"));

  // Going to a row reads it afresh, even when the set already stands on it.
  Sql(QStringLiteral("update customer set Cust_name='changed elsewhere' where CID='K3'"));
  QVERIFY(set.MoveToBookmark(mark));
  QCOMPARE(*set.Field(QStringLiteral("Cust_name")), QStringLiteral("changed elsewhere"));

  // A row the set does not hold: refused, the position stays.
  set.MoveToBookmark(mark);
  set.Delete();
  set.MoveFirst();
  QVERIFY(!set.MoveToBookmark(mark));
  QCOMPARE(*set.Field(QStringLiteral("CID")), QStringLiteral("K1"));
  set.MoveLast();
  set.MoveNext();
  QVERIFY_THROWS_EXCEPTION(DataError, set.Bookmark());
}

void TestRecordset::staticCursorOverSelectedKeys() {
  const QStringList sexes = {"female", "male", "female", "female", "male"};
  for (int i = 0; i < sexes.size(); ++i) {
    InsertCustomer({{"CID", QStringLiteral("K%1").arg(i + 1)}, {"Cust_sex", sexes[i]}});
  }
  Recordset set;
  set.Open(QStringLiteral("select CID from customer where Cust_sex = 'female'"), *m_db,
           Recordset::Cursor::Static);
  QCOMPARE(set.RecordCount(), 3);
  QCOMPARE(set.FieldCount(), 1);
  QCOMPARE(Keys(set), QStringList({"K1", "K3", "K4"}));
  QVERIFY_THROWS_EXCEPTION(DataError, set.AddNew());
  QVERIFY_THROWS_EXCEPTION(DataError, set.Delete());
  QCOMPARE(Count(QStringLiteral("select count(*) from customer")), 5);

  Recordset none;
  none.Open(QStringLiteral("select CID from customer where Cust_sex = 'other'"), *m_db,
            Recordset::Cursor::Static);
  QCOMPARE(none.RecordCount(), 0);
  QVERIFY(none.Bof() && none.Eof());

  // A broken statement fails at once, with the database's message.
  Recordset broken;
  try {
    broken.Open(QStringLiteral("select CID from customer where ((Cust_sex = 'x'"), *m_db,
                Recordset::Cursor::Static);
    QFAIL("a broken statement was accepted");
  } catch (const DataError& error) {
    QVERIFY2(!error.message().isEmpty(), "no message");
  }
  QVERIFY(!broken.IsOpen());
}

void TestRecordset::keysAreReadOnFirstUse() {
  MakeCustomers(1);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  Recordset family;
  family.Open(QStringLiteral("family"), *m_db);
  // Rows written by another program between opening and first use are seen.
  InsertSimpleCustomer(QStringLiteral("K2"), QStringLiteral("late"));
  InsertChild(QStringLiteral("family"), QStringLiteral("K2"), {QStringLiteral("late")});
  QCOMPARE(set.RecordCount(), 2);
  QCOMPARE(Keys(set), QStringList({"K1", "K2"}));
  QCOMPARE(family.RecordCount(), 1);
}

void TestRecordset::rollbackRestoresRecordSets() {
  MakeCustomers(3);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  set.MoveNext();  // K2
  Recordset family;
  family.Open(QStringLiteral("select * from family where CID='K2'"), *m_db);
  QCOMPARE(family.RecordCount(), 0);

  m_db->BeginTrans();
  set.AddNew();
  set.SetField(QStringLiteral("CID"), QStringLiteral("K4"));
  set.Update();  // K4 appended and current
  QCOMPARE(set.RecordCount(), 4);
  set.MoveFirst();
  set.Delete();  // K1 gone in the transaction
  family.AddNew();
  family.SetField(QStringLiteral("CID"), QStringLiteral("K2"));
  family.Update();
  family.AddNew();  // still pending at the rollback
  family.SetField(QStringLiteral("CID"), QStringLiteral("K2"));
  set.AddNew();
  set.SetField(QStringLiteral("CID"), QStringLiteral("K5"));
  m_db->RollbackTrans();

  QVERIFY(!m_db->InTransaction());
  QVERIFY(!set.EditPending());
  QVERIFY(!family.EditPending());
  QCOMPARE(set.RecordCount(), 3);
  QCOMPARE(*set.Field(QStringLiteral("CID")), QStringLiteral("K2"));  // position restored
  QCOMPARE(family.RecordCount(), 0);
  QCOMPARE(Keys(set), QStringList({"K1", "K2", "K3"}));
  QCOMPARE(Rows(QStringLiteral("select CID from customer order by rowid")),
           (QVector<QVector<Value>>{{"K1"}, {"K2"}, {"K3"}}));
  QCOMPARE(Count(QStringLiteral("select count(*) from family")), 0);

  // Nothing from the rolled back transaction comes back with later writes.
  set.MoveLast();
  set.SetField(QStringLiteral("Cust_name"), QStringLiteral("after"));
  set.Update();
  QCOMPARE(Count(QStringLiteral("select count(*) from customer")), 3);
  QCOMPARE(*CustomerRow("K3")["Cust_name"], QStringLiteral("after"));
}

void TestRecordset::rollbackDropsUnsavedEdits() {
  MakeCustomers(2);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  m_db->BeginTrans();
  set.SetField(QStringLiteral("Cust_name"), QStringLiteral("unsaved"));
  Recordset opened;  // opened inside the transaction
  opened.Open(QStringLiteral("customer"), *m_db);
  opened.MoveLast();
  opened.Delete();
  m_db->RollbackTrans();
  QCOMPARE(*set.Field(QStringLiteral("Cust_name")), QStringLiteral("Customer 1"));
  set.MoveNext();  // a move must not store the dropped edit
  QCOMPARE(*CustomerRow("K1")["Cust_name"], QStringLiteral("Customer 1"));
  QCOMPARE(Keys(opened), QStringList({"K1", "K2"}));
}

void TestRecordset::commitKeepsChanges() {
  MakeCustomers(2);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  m_db->BeginTrans();
  QVERIFY(m_db->InTransaction());
  set.Delete();
  set.AddNew();
  set.SetField(QStringLiteral("CID"), QStringLiteral("K3"));
  set.Update();
  m_db->Execute(QStringLiteral("update customer set Cust_name='changed' where CID='K2'"));
  m_db->CommitTrans();
  QVERIFY(!m_db->InTransaction());
  QCOMPARE(Keys(set), QStringList({"K2", "K3"}));
  QCOMPARE(Rows(QStringLiteral("select CID, Cust_name from customer order by rowid")),
           (QVector<QVector<Value>>{{"K2", "changed"}, {"K3", Value()}}));

  // A later rollback does not undo the committed work.
  m_db->BeginTrans();
  set.MoveFirst();
  set.Delete();
  m_db->RollbackTrans();
  QCOMPARE(Keys(set), QStringList({"K2", "K3"}));
  QCOMPARE(Count(QStringLiteral("select count(*) from customer")), 2);
}

void TestRecordset::failedStatementRolledBack_data() {
  QTest::addColumn<QString>("raise");
  QTest::newRow("statement aborted") << "abort";
  QTest::newRow("transaction rolled back by the database") << "rollback";
}

void TestRecordset::failedStatementRolledBack() {
  QFETCH(QString, raise);
  MakeCustomers(1);
  InsertChild(QStringLiteral("family"), QStringLiteral("K1"), {QString(), QStringLiteral("a")});
  InsertChild(QStringLiteral("family"), QStringLiteral("K1"), {QString(), QStringLiteral("b")});
  Sql(QStringLiteral("create trigger refuse before insert on family when new.fam_name='bad' "
                     "begin select raise(%1, 'bad family row'); end")
          .arg(raise));
  const auto before = ChildRows(QStringLiteral("family"), QStringLiteral("K1"));

  Recordset family;
  family.Open(QStringLiteral("select * from family where CID='K1'"), *m_db);
  m_db->BeginTrans();
  m_db->Execute(QStringLiteral("delete from family where CID='K1'"));
  family.AddNew();
  family.SetField(QStringLiteral("CID"), QStringLiteral("K1"));
  family.SetField(3, QStringLiteral("good"));
  family.AddNew();
  family.SetField(QStringLiteral("CID"), QStringLiteral("K1"));
  family.SetField(3, QStringLiteral("bad"));
  try {
    family.Update();
    QFAIL("the trigger did not refuse the row");
  } catch (const DataError& error) {
    QVERIFY2(error.message().contains(QStringLiteral("bad family row")),
             qPrintable(error.message()));
  }
  m_db->RollbackTrans();

  QCOMPARE(ChildRows(QStringLiteral("family"), QStringLiteral("K1")), before);
  QVERIFY(!family.EditPending());
  QCOMPARE(Keys(family, QStringLiteral("fam_name")), QStringList({"a", "b"}));
  // The connection is usable again.
  m_db->BeginTrans();
  family.AddNew();
  family.SetField(QStringLiteral("CID"), QStringLiteral("K1"));
  family.SetField(3, QStringLiteral("c"));
  family.Update();
  m_db->CommitTrans();
  QCOMPARE(FamilyNames(QStringLiteral("K1")), QStringList({"a", "b", "c"}));
}

QTEST_MAIN(TestRecordset)
#include "tst_recordset.moc"
