#include "bench/generate.h"

#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <numeric>
#include <stdexcept>

#include "data/connection.h"
#include "data/quickfind.h"
#include "data/schema.h"

namespace {

// splitmix64: small, fast and the same on every platform (unlike the standard distributions).
class Rng {
 public:
  explicit Rng(quint64 seed) : m_state(seed) {}
  quint64 Next() {
    quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [low, high].
  int Between(int low, int high) { return low + int(Next() % quint64(high - low + 1)); }
  bool Chance(int percent) { return Between(0, 99) < percent; }
  const QString& Pick(const QStringList& list) { return list[Between(0, int(list.size()) - 1)]; }

 private:
  quint64 m_state;
};

const QStringList kCjkSurnames = {"陳", "林", "黃", "張", "李", "王", "吳", "劉", "蔡", "楊",
                                  "許", "鄭", "謝", "郭", "洪", "曾", "邱", "廖", "賴", "周"};
const QStringList kCjkGiven = {"志", "明", "淑", "芬", "美", "玲", "俊", "宏", "雅", "婷",
                               "家", "豪", "怡", "君", "建", "華", "文", "雄", "秀", "英",
                               "冠", "廷", "佩", "珊", "宗", "翰", "惠", "如", "承", "恩"};
const QStringList kRomanSurnames = {"Chen", "Lin",  "Huang", "Chang", "Lee",   "Wang",  "Wu",
                                    "Liu",  "Tsai", "Yang",  "Hsu",   "Cheng", "Hsieh", "Kuo"};
const QStringList kRomanGiven = {"Mei-ling",  "Chih-hao", "Shu-fen",   "Chun-hung",  "Ya-ting",
                                 "Chia-hao",  "Yi-chun",  "Chien-hua", "Wen-hsiung", "Hsiu-ying",
                                 "Kuan-ting", "Pei-shan", "Tsung-han", "Hui-ju",     "Cheng-en"};
const QStringList kWesternFirst = {"Mary",  "John", "Linda", "David",  "Susan", "Michael",
                                   "Karen", "Paul", "Nancy", "Steven", "Emily", "Daniel"};
const QStringList kWesternLast = {"Smith", "Johnson", "Brown", "Taylor", "Miller", "Wilson",
                                  "Moore", "Clark",   "Lewis", "Walker", "Young",  "O'Brien"};
// The surname of the customers the selective search finds; used nowhere else.
const QString kRareSurname = QStringLiteral("Quenby");

const QStringList kCities = {"台北市", "新北市", "桃園市", "台中市", "台南市", "高雄市",
                             "基隆市", "新竹市", "嘉義市", "宜蘭縣", "花蓮縣", "屏東縣"};
const QStringList kCitiesRoman = {"Taipei City",   "New Taipei City", "Taoyuan City",
                                  "Taichung City", "Tainan City",     "Kaohsiung City",
                                  "Keelung City",  "Hsinchu City",    "Chiayi City"};
const QStringList kDistricts = {"大安區", "信義區", "中山區", "松山區", "內湖區", "士林區",
                                "板橋區", "中壢區", "西屯區", "東區",   "苓雅區", "北屯區"};
const QStringList kDistrictsRoman = {"Da'an Dist.",    "Xinyi Dist.",   "Zhongshan Dist.",
                                     "Songshan Dist.", "Neihu Dist.",   "Shilin Dist.",
                                     "Banqiao Dist.",  "Zhongli Dist.", "Xitun Dist."};
const QStringList kRoads = {"復興南路", "忠孝東路", "中山北路", "民生東路", "和平東路",
                            "仁愛路",   "信義路",   "光復南路", "敦化北路", "建國路"};
const QStringList kRoadsRoman = {"Fuxing S. Rd.",   "Zhongxiao E. Rd.", "Zhongshan N. Rd.",
                                 "Minsheng E. Rd.", "Heping E. Rd.",    "Ren'ai Rd.",
                                 "Xinyi Rd.",       "Guangfu S. Rd.",   "Dunhua N. Rd."};
const QStringList kCustTypes = {"Customer",  "to-be",  "Potential ", "Normal ",
                                "unfamilia", "family", "friend"};
const QStringList kCustTypesTyped = {"VIP", "referral", "老客戶"};
const QStringList kMarriages = {"unmarried", "married", "divorce", "other"};
const QStringList kSexes = {"male", "female"};
const QStringList kBloods = {"A", "B", "O", "AB"};
const QStringList kSalaries = {"under 100,000",     "100,000~200,000",     "200,000~300,000",
                               "300,000~400,000",   "400,000~500,000",     "500,000~600,000",
                               "600,000~700,000",   "700,000~800,000",     "800,000~900,000",
                               "900,000~1,000,000", "1,000,000~1,500,000", "1,500,000~2,000,000",
                               "above 2,000,000"};
const QStringList kJobTypes = {"Finance", "Manufacturing", "Retail",       "Education",
                               "Medical", "Government",    "IT",           "製造業",
                               "服務業",  "金融業",        "Construction", "Transport"};
const QStringList kJobTitles = {"Manager", "Engineer", "Clerk",  "Teacher",  "Nurse",     "Owner",
                                "經理",    "工程師",   "業務員", "Director", "Accountant"};
const QStringList kCompanies = {"青松電子",           "晨光精密",
                                "河畔電信",           "Maple Circuits",
                                "Lumen Works",        "Riverside Post",
                                "松山醫院",           "Harborview Bank",
                                "Tidewater Lines",    "雲林食品",
                                "Corner Mart",        "Bluefin Telecom",
                                "Pinecrest Plastics", "自營"};
const QStringList kMailHosts = {"example.com", "example.com.tw", "example.net", "mail.example.org"};

const QStringList kRelations = {"父",     "母",     "配偶",   "子",  "女",
                                "father", "mother", "spouse", "son", "daughter"};
const QStringList kInsurers = {"青松人壽",       "晨星人壽",          "河岸人壽",
                               "翠峰人壽",       "Pinegrove Life",    "Morningstar Mutual",
                               "Riverbend Life", "Emerald Peak Life", "Harborlight Life"};
const QStringList kProducts = {"終身壽險",  "定期壽險", "醫療險",   "意外險",  "whole life",
                               "term life", "medical",  "accident", "annuity", "investment-linked"};
const QStringList kPayMethods = {"annual", "semi-annual", "monthly", "年繳", "月繳", "single"};
const QStringList kReasons = {"car accident", "hospital stay", "surgery", "fracture",
                              "住院",         "車禍",          "手術",    "outpatient"};
const QStringList kItems = {"medical", "accident", "daily allowance", "醫療給付", "失能給付"};
const QStringList kStates = {"closed", "paid", "pending", "rejected", "結案", "處理中"};
const QStringList kContactTypes = {"phone", "visit", "LINE", "e-mail", "電話", "拜訪", "mail"};
const QStringList kSubjects = {"policy review",   "birthday greeting", "new product",
                               "claim follow-up", "premium reminder",  "保單健檢",
                               "生日問候",        "續期保費",          "理賠進度"};
const QStringList kDetails = {
    "Went through the policies with the customer and the spouse; wants more medical cover.",
    "Called about the premium due next month; will pay by transfer.",
    "Brought a birthday card and a small gift; the family is well.",
    "Explained the claim documents needed for the hospital stay.",
    "說明新的醫療險方案，客戶考慮中，下週再聯絡。",
    "客戶詢問保單借款及利率，已寄送資料。",
    "Asked for a quote for the daughter's accident insurance.",
    "No answer; left a message."};

QString Digits(Rng& rng, int count) {
  QString text;
  text.reserve(count);
  for (int i = 0; i < count; ++i) text += QChar(u'0' + rng.Between(0, 9));
  return text;
}

QString Date(Rng& rng, int fromYear, int toYear) {
  return QStringLiteral("%1/%2/%3")
      .arg(rng.Between(fromYear, toYear))
      .arg(rng.Between(1, 12), 2, 10, QChar(u'0'))
      .arg(rng.Between(1, 28), 2, 10, QChar(u'0'));
}

QString Phone(Rng& rng) {
  return QStringLiteral("0%1-%2-%3").arg(rng.Between(2, 8)).arg(Digits(rng, 4), Digits(rng, 4));
}

QString Mobile(Rng& rng) {
  return QStringLiteral("09%1-%2-%3").arg(Digits(rng, 2), Digits(rng, 3), Digits(rng, 3));
}

QString Money(Rng& rng, int low, int high, int step) {
  return QLocale(QLocale::English).toString(qint64(rng.Between(low / step, high / step)) * step);
}

QString PersonName(Rng& rng) {
  const int kind = rng.Between(0, 99);
  if (kind < 50) {
    QString name = rng.Pick(kCjkSurnames) + rng.Pick(kCjkGiven);
    if (rng.Chance(85)) name += rng.Pick(kCjkGiven);
    return name;
  }
  if (kind < 85) return rng.Pick(kRomanSurnames) + QLatin1Char(' ') + rng.Pick(kRomanGiven);
  return rng.Pick(kWesternFirst) + QLatin1Char(' ') + rng.Pick(kWesternLast);
}

QString Address(Rng& rng) {
  if (rng.Chance(60)) {
    QString address = rng.Pick(kCities) + rng.Pick(kDistricts) + rng.Pick(kRoads);
    if (rng.Chance(40))
      address += QStringLiteral("%1段").arg(QString(u"一二三四"[rng.Between(0, 3)]));
    if (rng.Chance(30)) address += QStringLiteral("%1巷").arg(rng.Between(1, 300));
    address += QStringLiteral("%1號").arg(rng.Between(1, 500));
    if (rng.Chance(60)) address += QStringLiteral("%1樓").arg(rng.Between(2, 25));
    return address;
  }
  return QStringLiteral("No. %1, %2%3, %4, %5")
      .arg(rng.Between(1, 500))
      .arg(rng.Pick(kRoadsRoman),
           rng.Chance(30) ? QStringLiteral(", Sec. %1").arg(rng.Between(1, 4)) : QString(),
           rng.Pick(kDistrictsRoman), rng.Pick(kCitiesRoman));
}

// An entry of the combo's list, sometimes a typed text, sometimes Null.
QVariant Combo(Rng& rng, const QStringList& entries, const QStringList& typed) {
  const int roll = rng.Between(0, 99);
  if (roll < 2) return QVariant(QMetaType(QMetaType::QString));
  if (roll < 4 && !typed.isEmpty()) return rng.Pick(typed);
  return rng.Pick(entries);
}

// A text, Null in `nullPercent` of the rows, empty in `emptyPercent`.
QVariant Maybe(Rng& rng, const QString& text, int nullPercent, int emptyPercent = 0) {
  const int roll = rng.Between(0, 99);
  if (roll < nullPercent) return QVariant(QMetaType(QMetaType::QString));
  if (roll < nullPercent + emptyPercent) return QString();
  return text;
}

QString Key(int index) {
  return QStringLiteral("A%1").arg(index, 6, 10, QChar(u'0'));
}

// A step coprime with `count` near its golden section: consecutive positions get keys far apart.
qint64 Stride(int count) {
  qint64 step = qMax<qint64>(1, qint64(count * 0.6180339887));
  while (std::gcd(step, qint64(count)) != 1) ++step;
  return step;
}

struct ListCounts {
  int family, insurance, compensate, contact;
};

QStringList Range(int from, int to) {
  QStringList list;
  for (int i = from; i <= to; ++i) list << QString::number(i);
  return list;
}

class Inserter {
 public:
  Inserter(Connection& connection, const QString& table, const QStringList& columns)
      : m_query(connection.Database()), m_table(table) {
    QStringList marks(columns.size(), QStringLiteral("?"));
    const QString sql =
        QStringLiteral("insert into %1 (%2) values (%3)")
            .arg(table, columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    if (!m_query.prepare(sql)) throw std::runtime_error(m_query.lastError().text().toStdString());
  }
  void Insert(const QVariantList& values) {
    for (int i = 0; i < values.size(); ++i) m_query.bindValue(i, values[i]);
    if (!m_query.exec())
      throw std::runtime_error(
          QStringLiteral("%1: %2").arg(m_table, m_query.lastError().text()).toStdString());
    ++m_rows;
  }
  qint64 Rows() const { return m_rows; }

 private:
  QSqlQuery m_query;
  QString m_table;
  qint64 m_rows = 0;
};

// The columns a generated row fills: all but the automatic row number.
QStringList InsertedColumns(const QString& table) {
  for (const TableLayout& layout : Tables()) {
    if (layout.name == table) {
      QStringList columns = layout.columns;
      if (columns.first() == QLatin1String("ID")) columns.removeFirst();  // automatic
      return columns;
    }
  }
  throw std::runtime_error("unknown table");
}

}  // namespace

QString KeyAt(int position, int customers) {
  if (customers <= 1) return Key(position);
  return Key(int((qint64(position - 1) * Stride(customers)) % customers) + 1);
}

BenchDatabase PlanDatabase(const QString& file, int customers) {
  BenchDatabase plan;
  plan.file = file;
  plan.customers = customers;
  plan.position40 = qMin(2, customers);
  plan.key40 = KeyAt(plan.position40, customers);
  plan.position20 = qMin(3, customers);
  plan.key20 = KeyAt(plan.position20, customers);
  plan.nameFragment = kRareSurname;
  plan.fragmentMatches = customers >= 2000 ? 50 : qMax(1, customers / 40);
  return plan;
}

BenchDatabase GenerateDatabase(const QString& file, int customers, quint64 seed) {
  BenchDatabase made = PlanDatabase(file, customers);
  Rng rng(seed);
  const QStringList years = Range(1930, 2004);
  const QStringList months = Range(1, 12);
  const QStringList days = Range(1, 31);
  const QStringList grades = Range(1, 6);
  const int rareEvery = customers / made.fragmentMatches;

  Connection connection;
  OpenDatabase(connection, file);
  // Bulk load: nothing to protect until the file is complete.
  connection.Execute(QStringLiteral("pragma synchronous=off"));
  connection.Execute(QStringLiteral("pragma journal_mode=off"));
  // The quick find's index is built once at the end, faster than row by row by its triggers.
  DropQuickFind(connection);
  connection.BeginTrans();
  {
    Inserter customer(connection, QStringLiteral("customer"), InsertedColumns("customer"));
    Inserter family(connection, QStringLiteral("family"), InsertedColumns("family"));
    Inserter insurance(connection, QStringLiteral("insurance"), InsertedColumns("insurance"));
    Inserter compensate(connection, QStringLiteral("compensate"), InsertedColumns("compensate"));
    Inserter contact(connection, QStringLiteral("contact"), InsertedColumns("contact"));
    const QVariant null(QMetaType(QMetaType::QString));

    // Contacts are logged over the years, so one customer's contact rows lie scattered through
    // the table: they are written in rounds after everything else.
    QVector<quint8> contactCounts(customers + 1);

    for (int index = 1; index <= customers; ++index) {
      const QString key = KeyAt(index, customers);
      QString name = PersonName(rng);
      const bool rare =
          index % rareEvery == 7 % rareEvery && index / rareEvery < made.fragmentMatches;
      if (rare) name = rng.Pick(kWesternFirst) + QLatin1Char(' ') + kRareSurname;
      const bool cjk = name.at(0).unicode() > 0x2E80;
      const QString romanFirst =
          cjk ? QStringLiteral("user") : name.section(QLatin1Char(' '), 0, 0);
      customer.Insert({
          rare ? QVariant(name) : Maybe(rng, name, 1),
          key,
          Combo(rng, kCustTypes, kCustTypesTyped),
          Combo(rng, years, {QStringLiteral("1928"), QStringLiteral("民國60")}),
          Combo(rng, months, {}),
          Combo(rng, days, {}),
          Maybe(rng,
                QString(QChar(u'A' + rng.Between(0, 25))) + QChar(u'1' + rng.Between(0, 1)) +
                    Digits(rng, 8),
                3),
          Combo(rng, kSexes, {QStringLiteral("M"), QStringLiteral("F")}),
          Combo(rng, kBloods, {QStringLiteral("A+"), QStringLiteral("unknown")}),
          Maybe(rng, rng.Chance(60) ? rng.Pick(kCities) : rng.Pick(kCitiesRoman), 5, 5),
          Combo(rng, kMarriages, {QStringLiteral("widowed")}),
          Maybe(rng,
                QStringLiteral("%1%2@%3")
                    .arg(romanFirst.toLower())
                    .arg(index)
                    .arg(rng.Pick(kMailHosts)),
                15, 10),
          Maybe(rng, Phone(rng), 5, 10),
          Maybe(rng, Mobile(rng), 3, 5),
          Maybe(rng, Mobile(rng), 20, 60),
          Maybe(rng, Address(rng), 2),
          Maybe(rng, rng.Pick(kCompanies), 10, 10),
          Maybe(rng, rng.Pick(kJobTypes), 10, 10),
          Maybe(rng, rng.Pick(kJobTitles), 10, 10),
          Combo(rng, grades, {QStringLiteral("7")}),
          Combo(rng, kSalaries, {QStringLiteral("about 450,000"), QStringLiteral("保密")}),
          Maybe(rng, Phone(rng), 10, 15),
          Maybe(rng, Phone(rng), 30, 30),
          Maybe(rng, Address(rng), 10, 10),
      });

      ListCounts counts{rng.Between(0, 6), rng.Between(0, 8), rng.Between(0, 3),
                        rng.Between(0, 20)};
      if (key == made.key40) counts = {8, 10, 4, 18};
      if (key == made.key20) counts = {4, 5, 2, 9};

      for (int i = 0; i < counts.family; ++i) {
        family.Insert({key, rng.Pick(kRelations), PersonName(rng), Combo(rng, kSexes, {}),
                       Maybe(rng, QString(QChar(u'A' + rng.Between(0, 25))) + Digits(rng, 9), 10),
                       Maybe(rng, Date(rng, 1930, 2020), 5),
                       Maybe(rng, QString::number(rng.Between(0, 90)), 10),
                       Maybe(rng, rng.Pick(kJobTitles), 30),
                       Maybe(rng, QStringLiteral("lives nearby"), 85)});
      }
      for (int i = 0; i < counts.insurance; ++i) {
        insurance.Insert({key, rng.Pick(kInsurers), rng.Pick(kProducts),
                          Money(rng, 100000, 5000000, 100000), QString::number(rng.Between(5, 30)),
                          QStringLiteral("P%1").arg(Digits(rng, 9)), name.isEmpty() ? null : name,
                          Maybe(rng, PersonName(rng), 10), Money(rng, 3000, 90000, 10),
                          rng.Pick(kPayMethods), Date(rng, 1990, 2024),
                          QStringLiteral("%1/%2").arg(rng.Between(1, 12)).arg(rng.Between(1, 28))});
      }
      for (int i = 0; i < counts.compensate; ++i) {
        compensate.Insert({key, Date(rng, 1995, 2024), rng.Pick(kReasons),
                           Maybe(rng, rng.Pick(kCities), 20), rng.Pick(kItems),
                           Money(rng, 1000, 500000, 100), rng.Pick(kInsurers), rng.Pick(kStates)});
      }
      contactCounts[index] = quint8(counts.contact);
    }

    for (int round = 0; round < 20; ++round) {
      for (int index = 1; index <= customers; ++index) {
        if (contactCounts[index] <= round) continue;
        contact.Insert(
            {KeyAt(index, customers), Date(rng, 2000 + round, 2000 + round),
             QStringLiteral("%1:%2")
                 .arg(rng.Between(8, 20), 2, 10, QChar(u'0'))
                 .arg(rng.Between(0, 5) * 10, 2, 10, QChar(u'0')),
             Maybe(rng, rng.Chance(50) ? rng.Pick(kCities) : QStringLiteral("office"), 20),
             rng.Pick(kContactTypes), rng.Pick(kSubjects), Maybe(rng, rng.Pick(kDetails), 10),
             rng.Pick(kStates), Maybe(rng, QStringLiteral("call back"), 80)});
      }
    }
    made.familyRows = family.Rows();
    made.insuranceRows = insurance.Rows();
    made.compensateRows = compensate.Rows();
    made.contactRows = contact.Rows();
  }
  connection.CommitTrans();
  PrepareQuickFind(connection);
  connection.Close();
  return made;
}
