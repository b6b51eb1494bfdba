#include <QtTest>
#include <memory>

#include "app/module1.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "data/sqltext.h"
#include "support/testsupport.h"

namespace {

const QString kCid = QStringLiteral("CID");

// The values of one column from the current row to the end.
QStringList ToEnd(Recordset& set, const QString& column = kCid) {
  QStringList values;
  // Bounded, so that a set that never reaches EOF fails instead of looping forever.
  for (int left = set.RecordCount() + 1; !set.Eof() && left > 0; --left) {
    values << set.Field(column).value_or(QStringLiteral("<null>"));
    set.MoveNext();
  }
  return values;
}

QStringList All(Recordset& set, const QString& column = kCid) {
  if (set.RecordCount() > 0) set.MoveFirst();
  return ToEnd(set, column);
}

QStringList FamilyNames(const QString& cid) {
  QStringList names;
  for (const auto& row : ChildRows(QStringLiteral("family"), cid))
    names << row[1].value_or(QStringLiteral("<null>"));
  return names;
}

QStringList CustomerKeysInFile() {
  QStringList keys;
  for (const auto& row : Rows(QStringLiteral("select CID from customer order by rowid")))
    keys << *row[0];
  return keys;
}

void AddFamily(Recordset& family, const QString& cid, const Value& name) {
  family.AddNew();
  family.SetField(kCid, cid);
  family.SetField(3, name);
}

}  // namespace

class TestRecordset : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void movesAndEnds_data();
  void movesAndEnds();
  void addNewTwiceStoresThePendingRow();
  void writesTouchTheCurrentRowOnly();
  void nullAndEmptyTextStayApart_data();
  void nullAndEmptyTextStayApart();
  void fieldsByNameAndPosition();
  void quotedKeyFindsOnlyItsRows_data();
  void quotedKeyFindsOnlyItsRows();
  void rowDeletedByAnotherProgramThrows();
  void bookmarks();
  void staticCursorAndLazyKeys();
  void rollbackRestoresRecordSets();
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

void TestRecordset::movesAndEnds_data() {
  QTest::addColumn<int>("count");
  QTest::newRow("empty") << 0;
  QTest::newRow("one row") << 1;
  QTest::newRow("two rows") << 2;
  QTest::newRow("many rows") << 7;
}

void TestRecordset::movesAndEnds() {
  QFETCH(int, count);
  const QStringList keys = AddNumberedCustomers(count);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  QCOMPARE(set.RecordCount(), count);
  if (count == 0) {
    QVERIFY(set.Bof() && set.Eof());
    QVERIFY_THROWS_EXCEPTION(DataError, set.Field(kCid));
    QVERIFY_THROWS_EXCEPTION(DataError, set.Delete());
    QVERIFY_THROWS_EXCEPTION(DataError, set.MoveFirst());
    QVERIFY_THROWS_EXCEPTION(DataError, set.MoveNext());
    return;
  }
  // Forward to EOF, where no row can be read and no further move is allowed.
  QVERIFY(!set.Bof() && !set.Eof());
  QCOMPARE(ToEnd(set), keys);
  QVERIFY(set.Eof() && !set.Bof());
  QVERIFY_THROWS_EXCEPTION(DataError, set.Field(kCid));
  QVERIFY_THROWS_EXCEPTION(DataError, set.MoveNext());
  QVERIFY(set.Eof());
  set.MovePrevious();  // from EOF back onto the last row
  QCOMPARE(*set.Field(kCid), keys.last());

  // Backwards to BOF, the same.
  QStringList backwards;
  while (!set.Bof()) {
    backwards.prepend(*set.Field(kCid));
    set.MovePrevious();
  }
  QCOMPARE(backwards, keys);
  QVERIFY(set.Bof() && !set.Eof());
  QVERIFY_THROWS_EXCEPTION(DataError, set.Field(kCid));
  QVERIFY_THROWS_EXCEPTION(DataError, set.MovePrevious());
  set.MoveNext();  // from BOF onto the first row
  QCOMPARE(*set.Field(kCid), keys.first());

  set.MoveLast();
  QCOMPARE(*set.Field(QStringLiteral("Cust_name")), QStringLiteral("Customer %1").arg(count));
}

void TestRecordset::addNewTwiceStoresThePendingRow() {
  InsertChild(QStringLiteral("family"), QStringLiteral("A"), {QStringLiteral("old")});
  Recordset set;
  set.Open(QStringLiteral("select * from family where CID='A'"), *m_db);
  AddFamily(set, QStringLiteral("A"), QStringLiteral("first"));
  AddFamily(set, QStringLiteral("A"), QStringLiteral("second"));  // stores "first"
  QCOMPARE(FamilyNames(QStringLiteral("A")), QStringList({"<null>", "first"}));
  set.Update();
  QCOMPARE(FamilyNames(QStringLiteral("A")), QStringList({"<null>", "first", "second"}));
  QCOMPARE(set.RecordCount(), 3);
  QCOMPARE(*set.Field(3), QStringLiteral("second"));  // the stored row is current
  QVERIFY(!set.EditPending());

  // A cancelled new row stores nothing.
  AddFamily(set, QStringLiteral("A"), QStringLiteral("cancelled"));
  set.CancelUpdate();
  set.Requery();
  QCOMPARE(set.RecordCount(), 3);
  QCOMPARE(Count(QStringLiteral("select count(*) from family")), 3);
}

void TestRecordset::writesTouchTheCurrentRowOnly() {
  AddNumberedCustomers(4);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  set.MoveNext();
  set.SetField(QStringLiteral("Cust_name"), QStringLiteral("Renamed"));
  set.Update();
  QCOMPARE(*set.Field(QStringLiteral("Cust_name")), QStringLiteral("Renamed"));
  // A pending edit is stored by the next move, on its own row.
  set.SetField(QStringLiteral("Cust_email"), QStringLiteral("k2@example.org"));
  set.MoveNext();
  QCOMPARE(Rows(QStringLiteral("select Cust_name, Cust_email from customer order by rowid")),
           (QVector<QVector<Value>>{{"Customer 1", ""},
                                    {"Renamed", "k2@example.org"},
                                    {"Customer 3", ""},
                                    {"Customer 4", ""}}));

  set.Delete();  // K3
  QVERIFY_THROWS_EXCEPTION(DataError, set.Field(kCid));
  QVERIFY_THROWS_EXCEPTION(DataError, set.Delete());
  set.MoveNext();  // the row after the deleted one
  QCOMPARE(*set.Field(kCid), QStringLiteral("K4"));
  QCOMPARE(set.RecordCount(), 3);
  QCOMPARE(CustomerKeysInFile(), QStringList({"K1", "K2", "K4"}));

  set.MoveFirst();
  set.Delete();
  set.MovePrevious();  // nothing before the deleted first row
  QVERIFY(set.Bof());
  set.Requery();  // the first remaining row is current
  QCOMPARE(*set.Field(kCid), QStringLiteral("K2"));
  QCOMPARE(All(set), QStringList({"K2", "K4"}));
}

void TestRecordset::nullAndEmptyTextStayApart_data() {
  QTest::addColumn<Value>("value");
  QTest::newRow("null") << Value();
  QTest::newRow("empty text") << Value(QString());
  QTest::newRow("blank") << Value(QStringLiteral(" "));
  QTest::newRow("text \"NULL\"") << Value(QStringLiteral("NULL"));
}

void TestRecordset::nullAndEmptyTextStayApart() {
  QFETCH(Value, value);
  Recordset set;
  set.Open(QStringLiteral("family"), *m_db);
  AddFamily(set, QStringLiteral("A"), value);
  set.Update();
  QCOMPARE(ChildRows(QStringLiteral("family"), QStringLiteral("A")).value(0).value(1), value);
  QCOMPARE(Count(QStringLiteral("select count(*) from family where fam_name is null")),
           value ? 0 : 1);
  set.Requery();  // read back from the file
  QCOMPARE(set.Field(QStringLiteral("fam_name")), value);
  QCOMPARE(set.Field(QStringLiteral("fam_sex")), Value());
}

void TestRecordset::fieldsByNameAndPosition() {
  InsertCustomer(QStringLiteral("A"), {{"Cust_sex", QStringLiteral("female")}});
  Recordset customer;
  customer.Open(QStringLiteral("customer"), *m_db);
  QCOMPARE(*customer.Field(QStringLiteral("cust_sex")), QStringLiteral("female"));
  QCOMPARE(*customer.Field(QStringLiteral("cid")), QStringLiteral("A"));
  customer.SetField(QStringLiteral("CUST_sex"), QStringLiteral("male"));
  customer.Update();
  QCOMPARE(*CustomerRow("A")["Cust_sex"], QStringLiteral("male"));
  QVERIFY_THROWS_EXCEPTION(DataError, customer.Field(QStringLiteral("Cust_sexx")));
  QVERIFY_THROWS_EXCEPTION(DataError,
                           customer.SetField(QStringLiteral("sex"), QStringLiteral("x")));

  // Child tables: row number, CID, then data column k at position k + 2.
  Recordset insurance;
  insurance.Open(QStringLiteral("insurance"), *m_db);
  insurance.AddNew();
  insurance.SetField(kCid, QStringLiteral("A"));
  for (int k = 0; k < 11; ++k) insurance.SetField(k + 2, QStringLiteral("v%1").arg(k));
  insurance.Update();
  QCOMPARE(*insurance.Field(1), QStringLiteral("A"));
  QCOMPARE(*insurance.Field(QStringLiteral("Insur_anniver")), QStringLiteral("v10"));
  QVERIFY_THROWS_EXCEPTION(DataError, insurance.Field(13));
  QCOMPARE(ChildRows(QStringLiteral("insurance"), QStringLiteral("A")),
           (QVector<QVector<Value>>{
               {"v0", "v1", "v2", "v3", "v4", "v5", "v6", "v7", "v8", "v9", "v10"}}));
}

void TestRecordset::quotedKeyFindsOnlyItsRows_data() {
  QTest::addColumn<QString>("key");
  QTest::newRow("quote inside") << "O'Brien";
  QTest::newRow("always true") << "x' or '1'='1";
  QTest::newRow("NUL stripped") << QStringLiteral("K1") + QChar(0) + QStringLiteral("'");
}

void TestRecordset::quotedKeyFindsOnlyItsRows() {
  QFETCH(QString, key);
  QString stored = key;
  stored.remove(QChar(0));
  // Neighbours whose keys the statement could reach if the quote ended the literal early.
  for (const char* other : {"O", "Brien", "K1", "x", ""})
    InsertChild(QStringLiteral("family"), QString::fromUtf8(other), {QString(), "other"});
  for (const char* mine : {"mine 1", "mine 2"})
    InsertChild(QStringLiteral("family"), stored, {QString(), QString::fromUtf8(mine)});

  Recordset set;
  set.Open(QStringLiteral("select * from family where CID=") + SqlQuote(key), *m_db);
  QCOMPARE(All(set, QStringLiteral("fam_name")), QStringList({"mine 1", "mine 2"}));
  QCOMPARE(m_db->Execute(QStringLiteral("delete from family where CID=") + SqlQuote(key)), 2);
  QCOMPARE(Count(QStringLiteral("select count(*) from family")), 5);
}

void TestRecordset::rowDeletedByAnotherProgramThrows() {
  AddNumberedCustomers(3);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  QCOMPARE(*set.Field(kCid), QStringLiteral("K1"));
  Sql(QStringLiteral("delete from customer where CID in ('K1','K2')"));
  set.MoveNext();
  QVERIFY_THROWS_EXCEPTION(DataError, set.Field(QStringLiteral("Cust_name")));
  set.SetField(QStringLiteral("Cust_name"), QStringLiteral("x"));
  QVERIFY_THROWS_EXCEPTION(DataError, set.Update());
  set.CancelUpdate();
  set.MoveFirst();  // the row shown before is read afresh: gone as well
  QVERIFY_THROWS_EXCEPTION(DataError, set.Field(QStringLiteral("Cust_name")));
  QVERIFY_THROWS_EXCEPTION(DataError, set.Delete());
  set.MoveLast();
  QCOMPARE(*set.Field(kCid), QStringLiteral("K3"));
  set.Requery();
  QCOMPARE(All(set), QStringList{"K3"});
  QCOMPARE(Count(QStringLiteral("select count(*) from customer")), 1);
}

void TestRecordset::bookmarks() {
  AddNumberedCustomers(4);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  set.MoveNext();
  set.MoveNext();
  const qint64 mark = set.Bookmark();
  // A bookmark survives a Requery and reads its row afresh.
  set.Requery();
  QCOMPARE(*set.Field(kCid), QStringLiteral("K1"));
  Sql(QStringLiteral("update customer set Cust_name='changed elsewhere' where CID='K3'"));
  QVERIFY(set.MoveToBookmark(mark));
  QCOMPARE(*set.Field(QStringLiteral("Cust_name")), QStringLiteral("changed elsewhere"));

  // A row the set does not hold any more: refused, the position stays.
  set.Delete();
  set.MoveFirst();
  QVERIFY(!set.MoveToBookmark(mark));
  QCOMPARE(*set.Field(kCid), QStringLiteral("K1"));
}

void TestRecordset::staticCursorAndLazyKeys() {
  for (const char* sex : {"female", "male", "female"})
    InsertCustomer(QStringLiteral("K%1").arg(Count("select count(*) from customer") + 1),
                   {{"Cust_sex", sex}});
  Recordset female;
  female.Open(QStringLiteral("select CID from customer where Cust_sex = 'female'"), *m_db,
              Recordset::Cursor::Static);
  QCOMPARE(female.RecordCount(), 2);
  QCOMPARE(All(female), QStringList({"K1", "K3"}));
  // A broken statement fails at once.
  Recordset broken;
  QVERIFY_THROWS_EXCEPTION(DataError,
                           broken.Open(QStringLiteral("select CID from customer where ((x"), *m_db,
                                       Recordset::Cursor::Static));

  // A keyset set reads its keys on first use: rows written by another program meanwhile count.
  Recordset customers;
  customers.Open(QStringLiteral("customer"), *m_db);
  InsertSimpleCustomer(QStringLiteral("K4"), QStringLiteral("late"));
  QCOMPARE(All(customers), QStringList({"K1", "K2", "K3", "K4"}));
}

void TestRecordset::rollbackRestoresRecordSets() {
  AddNumberedCustomers(3);
  Recordset set;
  set.Open(QStringLiteral("customer"), *m_db);
  set.MoveNext();  // K2
  Recordset family;
  family.Open(QStringLiteral("select * from family where CID='K2'"), *m_db);
  QCOMPARE(family.RecordCount(), 0);

  m_db->BeginTrans();
  set.AddNew();
  set.SetField(kCid, QStringLiteral("K4"));
  set.Update();
  set.MoveFirst();
  set.Delete();
  AddFamily(family, QStringLiteral("K2"), QStringLiteral("stored"));
  family.Update();
  AddFamily(family, QStringLiteral("K2"), QStringLiteral("pending"));
  Recordset opened;  // opened and read inside the transaction
  opened.Open(QStringLiteral("customer"), *m_db);
  opened.MoveLast();
  set.MoveNext();
  set.SetField(QStringLiteral("Cust_name"), QStringLiteral("unsaved"));
  m_db->RollbackTrans();

  QVERIFY(!m_db->InTransaction());
  QVERIFY(!set.EditPending() && !family.EditPending());
  QCOMPARE(*set.Field(kCid), QStringLiteral("K2"));  // position restored
  QCOMPARE(*set.Field(QStringLiteral("Cust_name")), QStringLiteral("Customer 2"));
  QCOMPARE(family.RecordCount(), 0);
  QCOMPARE(All(set), QStringList({"K1", "K2", "K3"}));
  QCOMPARE(All(opened), QStringList({"K1", "K2", "K3"}));
  // Nothing from the rolled back transaction comes back with later writes.
  family.Requery();
  QCOMPARE(CustomerKeysInFile(), QStringList({"K1", "K2", "K3"}));
  QCOMPARE(*CustomerRow("K2")["Cust_name"], QStringLiteral("Customer 2"));
  QCOMPARE(Count(QStringLiteral("select count(*) from family")), 0);
}

void TestRecordset::failedStatementRolledBack_data() {
  QTest::addColumn<QString>("raise");
  QTest::newRow("statement aborted") << "abort";
  QTest::newRow("transaction rolled back by the database") << "rollback";
}

void TestRecordset::failedStatementRolledBack() {
  QFETCH(QString, raise);
  for (const char* name : {"a", "b"})
    InsertChild(QStringLiteral("family"), QStringLiteral("K1"), {QString(), name});
  Sql(QStringLiteral("create trigger refuse before insert on family when new.fam_name='bad' "
                     "begin select raise(%1, 'bad family row'); end")
          .arg(raise));

  Recordset family;
  family.Open(QStringLiteral("select * from family where CID='K1'"), *m_db);
  m_db->BeginTrans();
  m_db->Execute(QStringLiteral("delete from family where CID='K1'"));
  AddFamily(family, QStringLiteral("K1"), QStringLiteral("good"));
  AddFamily(family, QStringLiteral("K1"), QStringLiteral("bad"));
  try {
    family.Update();
    QFAIL("the trigger did not refuse the row");
  } catch (const DataError& error) {
    QVERIFY2(error.message().contains(QStringLiteral("bad family row")),
             qPrintable(error.message()));
  }
  m_db->RollbackTrans();
  QCOMPARE(FamilyNames(QStringLiteral("K1")), QStringList({"a", "b"}));
  QCOMPARE(All(family, QStringLiteral("fam_name")), QStringList({"a", "b"}));

  // The connection works again and a commit keeps its changes.
  m_db->BeginTrans();
  AddFamily(family, QStringLiteral("K1"), QStringLiteral("c"));
  family.Update();
  m_db->CommitTrans();
  QVERIFY(!m_db->InTransaction());
  QCOMPARE(FamilyNames(QStringLiteral("K1")), QStringList({"a", "b", "c"}));
}

QTEST_MAIN(TestRecordset)
#include "tst_recordset.moc"
