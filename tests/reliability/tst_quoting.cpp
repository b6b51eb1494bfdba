// Quoting, proven by property: thousands of random texts full of quotes, wildcards, backslashes,
// CJK and control characters go through the search statement builder and the statements built
// from a key. Every statement must run, and select exactly the rows the test computes on its
// own: "=" compares exactly, like treats a typed % or _ as its wildcard and ignores the case of
// ASCII letters only, everything else is literal.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <optional>

#include "app/module1.h"
#include "data/connection.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "tests/support/testsupport.h"
#include "ui/search/frmsearch.h"
#include "ui/search/searchstatement.h"
#include "ui/toolkit/guard.h"

namespace {

using Truth = std::optional<bool>;  // SQL's three values: true, false, Null

Truth And(Truth a, Truth b) {
  if (a == false || b == false) return false;
  if (!a || !b) return std::nullopt;
  return true;
}
Truth Or(Truth a, Truth b) {
  if (a == true || b == true) return true;
  if (!a || !b) return std::nullopt;
  return false;
}

char32_t FoldAscii(char32_t c) {
  return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c;
}

// SQLite's like without an escape character: % any run of characters, _ one character,
// ASCII letters without regard to case, everything else literal.
bool Like(const QString& text, const QString& pattern) {
  const QList<uint> t = text.toUcs4();
  const QList<uint> p = pattern.toUcs4();
  // match[j]: the first i characters of the text match the first j of the pattern.
  std::vector<bool> match(p.size() + 1, false);
  match[0] = true;
  for (qsizetype j = 1; j <= p.size() && p[j - 1] == U'%'; ++j) match[j] = true;
  for (qsizetype i = 1; i <= t.size(); ++i) {
    std::vector<bool> next(p.size() + 1, false);
    for (qsizetype j = 1; j <= p.size(); ++j) {
      const char32_t pc = p[j - 1];
      if (pc == U'%') {
        next[j] = next[j - 1] || match[j];
      } else if (pc == U'_' || FoldAscii(pc) == FoldAscii(t[i - 1])) {
        next[j] = match[j - 1];
      }
    }
    match = next;
  }
  return match[p.size()];
}

Truth LikeColumn(const Value& column, const QString& typed) {
  if (!column) return std::nullopt;
  return Like(*column, QStringLiteral("%") + StripNul(typed) + QStringLiteral("%"));
}

Truth Equals(const Value& column, const QString& typed) {
  if (!column) return std::nullopt;
  return *column == StripNul(typed);
}

// Random texts from the characters that break careless statements.
class Texts {
 public:
  explicit Texts(quint32 seed) : m_random(seed) {}
  QString Text(int maxLength) {
    static const QList<char32_t> odd{U'\'',   U'"',   U'%',   U'_',   U'\\',  U';',   U'-', U' ',
                                     U'\t',   U'\n',  U'\r',  0x01,   0x1f,   0x7f,   U'*', U'[',
                                     U']',    U'(',   U')',   0x738B, 0x674E, 0x5BA2, 0xE9, 0xC9,
                                     0x1F600, 0xFF01, 0xFF0F, U'A',   U'a',   U'N'};
    QString text;
    const int length = int(m_random.bounded(maxLength + 1));
    for (int i = 0; i < length; ++i) {
      const char32_t c = m_random.bounded(3) == 0 ? char32_t(U'a' + m_random.bounded(3))
                                                  : odd[m_random.bounded(int(odd.size()))];
      text += QString::fromUcs4(&c, 1);
    }
    return text;
  }
  // Now and then a NUL, which never reaches the database.
  QString WithNul(const QString& text) {
    if (m_random.bounded(20) != 0 || text.isEmpty()) return text;
    QString copy = text;
    copy.insert(int(m_random.bounded(text.size())), QChar(0));
    return copy;
  }
  // A piece of a stored text with its ASCII letters' case changed at random.
  QString PieceOf(const QString& text) {
    const QList<uint> chars = text.toUcs4();
    if (chars.isEmpty()) return text;
    const int from = int(m_random.bounded(int(chars.size())));
    const int length = int(m_random.bounded(int(chars.size()) - from + 1));
    QString piece;
    for (int i = from; i < from + length; ++i) {
      char32_t c = chars[i];
      if (c < 128 && QChar(c).isLetter() && m_random.bounded(2) == 0)
        c = QChar(c).isUpper() ? QChar(c).toLower().unicode() : QChar(c).toUpper().unicode();
      piece += QString::fromUcs4(&c, 1);
    }
    return piece;
  }
  int Below(int n) { return int(m_random.bounded(n)); }

 private:
  QRandomGenerator m_random;
};

const QStringList kEqualColumns{"Cust_sex",     "Cust_type",   "Cust_birthmonth",
                                "Cust_jobtype", "Cust_salary", "Cust_marriage"};
const QStringList kLikeColumns{"Cust_name", "Cust_addhome", "Cust_addoffice"};

struct Customer {
  QString cid;
  QMap<QString, Value> values;
};

// Customers whose searched columns come from small pools (so "=" finds several) or are random
// texts (for like), some of them Null.
QList<Customer> MakeCustomers(Texts& texts, int count, QMap<QString, QStringList>& pools) {
  for (const QString& column : kEqualColumns) {
    QStringList pool{QStringLiteral("NA")};
    for (int i = 0; i < 6; ++i) pool << texts.Text(6);
    pools[column] = pool;
  }
  QList<Customer> customers;
  for (int i = 0; i < count; ++i) {
    Customer customer;
    customer.cid = QStringLiteral("C%1").arg(i);
    customer.values[QStringLiteral("CID")] = customer.cid;
    for (const QString& column : kEqualColumns) {
      customer.values[column] =
          texts.Below(15) == 0 ? Value() : Value(pools[column][texts.Below(7)]);
    }
    for (const QString& column : kLikeColumns)
      customer.values[column] = texts.Below(15) == 0 ? Value() : Value(texts.Text(14));
    customers << customer;
  }
  return customers;
}

// The keys of the customers the criteria select, read left to right as the statement combines
// them.
QStringList Expected(const QList<Customer>& customers, const SearchCriteria& c) {
  auto open = [](const QString& text) { return text == QLatin1String("NA"); };
  auto combo = [&](Truth so_far, const Value& column, const QString& text) {
    return open(text) ? Or(so_far, Equals(column, QStringLiteral("NA")))
                      : And(so_far, Equals(column, text));
  };
  auto address = [&](Truth so_far, const Value& column, const QString& text) {
    return open(text) || text.isEmpty() ? so_far : And(so_far, LikeColumn(column, text));
  };
  QStringList keys;
  for (const Customer& customer : customers) {
    const auto& v = customer.values;
    Truth r = LikeColumn(v["Cust_name"], open(c.name) ? QString() : c.name);
    r = combo(r, v["Cust_sex"], c.sex);
    r = combo(r, v["Cust_type"], c.type);
    r = address(r, v["Cust_addhome"], c.addHome);
    r = combo(r, v["Cust_birthmonth"], c.birthmonth);
    r = combo(r, v["Cust_jobtype"], c.jobtype);
    r = address(r, v["Cust_addoffice"], c.addOffice);
    r = combo(r, v["Cust_salary"], c.salary);
    r = combo(r, v["Cust_marriage"], c.marriage);
    if (r == true) keys << customer.cid;
  }
  return keys;
}

SearchCriteria RandomCriteria(Texts& texts, const QList<Customer>& customers,
                              const QMap<QString, QStringList>& pools) {
  auto equal = [&](const QString& column) {
    const int pick = texts.Below(10);
    if (pick < 5) return QStringLiteral("NA");
    if (pick < 8) return pools[column][texts.Below(int(pools[column].size()))];
    return texts.WithNul(texts.Text(6));
  };
  auto like = [&](const QString& column, bool canBeEmpty) {
    const int pick = texts.Below(10);
    if (pick < 4) return canBeEmpty && pick == 0 ? QString() : QStringLiteral("NA");
    const Value stored = customers[texts.Below(int(customers.size()))].values[column];
    if (pick < 8 && stored) return texts.WithNul(texts.PieceOf(*stored));
    return texts.WithNul(texts.Text(4));
  };
  return {like(QStringLiteral("Cust_name"), false),     equal(QStringLiteral("Cust_sex")),
          equal(QStringLiteral("Cust_type")),           like(QStringLiteral("Cust_addhome"), true),
          equal(QStringLiteral("Cust_birthmonth")),     equal(QStringLiteral("Cust_jobtype")),
          like(QStringLiteral("Cust_addoffice"), true), equal(QStringLiteral("Cust_salary")),
          equal(QStringLiteral("Cust_marriage"))};
}

QString Describe(const SearchCriteria& c) {
  return QStringList{c.name,    c.sex,       c.type,   c.addHome, c.birthmonth,
                     c.jobtype, c.addOffice, c.salary, c.marriage}
      .join(QStringLiteral(" | "));
}

void Store(const QList<Customer>& customers) {
  for (const Customer& customer : customers) InsertCustomer(customer.values);
}

quint32 Seed() {
  const quint32 seed = qEnvironmentVariableIsSet("QEL_QUOTING_SEED")
                           ? quint32(qEnvironmentVariableIntValue("QEL_QUOTING_SEED"))
                           : QRandomGenerator::global()->generate();
  qInfo("seed %u", seed);
  return seed;
}

}  // namespace

class TestQuoting : public QObject {
  Q_OBJECT

 private slots:
  void like_model_data();
  void like_model();
  void searchStatement_selectsExactlyTheMeantRows();
  void searchWindow_selectsExactlyTheMeantRows();
  void keyStatements_selectAndDeleteExactlyThatKey();
};

// The test's own like, checked against cases whose answer is known.
void TestQuoting::like_model_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("pattern");
  QTest::addColumn<bool>("matches");
  auto row = [](const char* name, const char* text, const char* pattern, bool matches) {
    QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(pattern) << matches;
  };
  row("percent any run", "abc", "%b%", true);
  row("percent empty", "", "%%", true);
  row("underscore one", "abc", "a_c", true);
  row("underscore not two", "abbc", "a_c", false);
  row("underscore one CJK", "王李", "王_", true);
  row("underscore one emoji", "x😀", "x_", true);
  row("ASCII case", "ABC", "%b%", true);
  row("no case beyond ASCII", "É", "é", false);
  row("backslash literal", "a\\b", "%\\%", true);
  row("quote literal", "O'Brien", "%'b%", true);
  row("missing", "abc", "%d%", false);
}

void TestQuoting::like_model() {
  QFETCH(QString, text);
  QFETCH(QString, pattern);
  QFETCH(bool, matches);
  QCOMPARE(Like(text, pattern), matches);
  // And SQLite agrees.
  TestEnv env;
  CreateDatabase();
  const auto rows = Rows(QStringLiteral("select ? like ?"), {text, pattern});
  QCOMPARE(rows.value(0).value(0), Value(matches ? "1" : "0"));
}

void TestQuoting::searchStatement_selectsExactlyTheMeantRows() {
  TestEnv env;
  CreateDatabase();
  Texts texts(Seed());
  QMap<QString, QStringList> pools;
  const QList<Customer> customers = MakeCustomers(texts, 300, pools);
  Store(customers);
  Connection connection;
  OpenDatabase(connection, kDatabaseFile);

  int tried = 0, nonEmpty = 0;
  for (int i = 0; i < 4000; ++i) {
    const SearchCriteria criteria = RandomCriteria(texts, customers, pools);
    const QStringList expected = Expected(customers, criteria);
    const SearchStatement statement = BuildSearchStatement(criteria);
    Recordset matches;
    try {
      matches.Open(statement.sql, connection, Recordset::Cursor::Static);
    } catch (const DataError& error) {
      QFAIL(qPrintable(
          QStringLiteral("%1\n%2\n%3").arg(error.message(), Describe(criteria), statement.sql)));
    }
    QStringList found;
    while (!matches.Eof()) {
      found << matches.Field(QStringLiteral("CID")).value_or(QString());
      matches.MoveNext();
    }
    found.sort();
    QStringList want = expected;
    want.sort();
    QVERIFY2(
        found == want,
        qPrintable(QStringLiteral("criteria %1\nstatement %2\nfound %3\nmeant %4")
                       .arg(Describe(criteria), statement.sql, found.join(','), want.join(','))));
    ++tried;
    if (!want.isEmpty()) ++nonEmpty;
  }
  std::printf("quoting: %d search statements, %d of them finding customers\n", tried, nonEmpty);
  QVERIFY(nonEmpty > tried / 10);
}

// The same through the search window, its controls filled as the agent leaves them.
void TestQuoting::searchWindow_selectsExactlyTheMeantRows() {
  TestEnv env;
  CreateDatabase();
  Texts texts(Seed());
  QMap<QString, QStringList> pools;
  const QList<Customer> customers = MakeCustomers(texts, 120, pools);
  Store(customers);
  frmSearch* search = nullptr;
  Guard([&] { search = Show<frmSearch>(); });
  QVERIFY(search);
  int tried = 0;
  for (int i = 0; i < 150; ++i) {
    SearchCriteria c = RandomCriteria(texts, customers, pools);
    // A text box or combo box holds no NUL.
    for (QString* text : {&c.name, &c.sex, &c.type, &c.addHome, &c.birthmonth, &c.jobtype,
                          &c.addOffice, &c.salary, &c.marriage})
      text->remove(QChar(0));
    if (!search->cmdStart->isEnabled()) search->Command1->click();
    search->txtCustname->setText(c.name);
    search->cmbCustsex->setEditText(c.sex);
    search->cmbCusttype->setEditText(c.type);
    search->txtAddHome->setText(c.addHome);
    search->cmbBirthmonth->setEditText(c.birthmonth);
    search->cmbJobtype->setEditText(c.jobtype);
    search->txtAddoffice->setText(c.addOffice);
    search->cmbSalary->setEditText(c.salary);
    search->cmbMarriage->setEditText(c.marriage);
    env.messages.clear();
    ResultCIDs.clear();
    search->cmdStart->click();
    QCOMPARE(env.fatalStatus, 0);
    const QStringList expected = Expected(customers, c);
    QStringList found = ResultCIDs.toVector().mid(1).toList();
    if (expected.isEmpty()) {
      QCOMPARE(env.messages,
               QStringList{QStringLiteral("Non found！Please adjust the condition！")});
    } else {
      QCOMPARE(env.messages.value(0),
               QStringLiteral(" %1 items has be found！").arg(expected.size()));
    }
    found.sort();
    QStringList want = expected;
    want.sort();
    QVERIFY2(found == want, qPrintable(Describe(c)));
    ++tried;
  }
  std::printf("quoting: %d searches through the search window\n", tried);
}

void TestQuoting::keyStatements_selectAndDeleteExactlyThatKey() {
  TestEnv env;
  CreateDatabase();
  Texts texts(Seed());
  // Keys that differ by case, by a wildcard, by a quote or a blank; each with a few family rows.
  QStringList keys;
  for (int i = 0; i < 150; ++i) {
    const QString key = texts.Text(5);
    keys << key;
    if (texts.Below(3) == 0) keys << key.toUpper() << key + QStringLiteral(" ");
  }
  keys.removeDuplicates();
  for (const QString& key : keys) {
    InsertSimpleCustomer(key, key);
    for (int r = 0; r < 1 + texts.Below(3); ++r)
      InsertChild(QStringLiteral("family"), key, {key, QString::number(r)});
  }
  Connection connection;
  OpenDatabase(connection, kDatabaseFile);

  int tried = 0;
  for (int i = 0; i < 3000; ++i) {
    const QString key =
        texts.Below(2) == 0 ? keys[texts.Below(int(keys.size()))] : texts.WithNul(texts.Text(5));
    // Bound as text (a null QString would be bound as Null).
    const QString meant = StripNul(key).isNull() ? QStringLiteral("") : StripNul(key);
    const int familyRows =
        Count(QStringLiteral("select count(*) from family where CID=?"), {meant});
    const int customerRows =
        Count(QStringLiteral("select count(*) from customer where CID=?"), {meant});

    // The list query of the customer display, as a record set.
    Recordset family;
    family.Open(QStringLiteral("select * from family where CID=") + SqlQuote(key), connection);
    QCOMPARE(family.RecordCount(), familyRows);
    while (!family.Eof()) {
      QCOMPARE(family.Field(QStringLiteral("CID")), Value(meant));
      family.MoveNext();
    }
    // The customer query of the result window.
    Recordset customer;
    customer.Open(QStringLiteral("select * from customer where CID =") + SqlQuote(key), connection);
    QCOMPARE(customer.RecordCount(), customerRows);
    if (customerRows > 0) QCOMPARE(customer.Field(QStringLiteral("CID")), Value(meant));
    // The delete statements of save and delete, undone again.
    connection.BeginTrans();
    QCOMPARE(connection.Execute(QStringLiteral("delete from family where CID=") + SqlQuote(key)),
             familyRows);
    connection.RollbackTrans();
    ++tried;
  }
  QCOMPARE(Count(QStringLiteral("select count(*) from customer")), int(keys.size()));
  std::printf("quoting: %d keys through the key statements (%lld distinct keys stored)\n", tried,
              qlonglong(keys.size()));
}

QTEST_MAIN(TestQuoting)
#include "tst_quoting.moc"
