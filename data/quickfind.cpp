#include "data/quickfind.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <algorithm>
#include <map>

#include "data/connection.h"
#include "data/quickfindindex.h"

using namespace quickfind;

namespace {

// A row that may hold the fragment: its table, its customer's key and its searched columns.
struct Candidate {
  int table = 0;
  QString cid;
  QString text;
};

// The texts of the rows found come from the tables, a table's rows in one statement. (A row
// gone meanwhile finds nothing, nor an entry that names no table: put in by hand.)
QList<Candidate> RowTexts(Connection& connection, const FoundRows& found) {
  QList<Candidate> candidates;
  const bool server = connection.IsServer();
  for (int table = 0; table < Tables().size(); ++table) {
    if (!found.ByTable().contains(table)) continue;
    QStringList numbers;
    for (const qint64 rowid : found.ByTable()[table]) numbers << QString::number(rowid);
    const QString list = numbers.join(QLatin1Char(','));
    QSqlQuery& row = connection.Prepared(
        QStringLiteral("select CID, %1 from %2 where %3")
            .arg(TextSql(table, {}), Tables()[table].name,
                 server ? ServerKey(table) + QStringLiteral(" = any(?::bigint[])")
                        : QStringLiteral("rowid in (select value from json_each(?))")));
    row.bindValue(0, server ? u'{' + list + u'}' : u'[' + list + u']');
    connection.Run(row);
    while (row.next()) candidates.append({table, row.value(0).toString(), row.value(1).toString()});
    row.finish();
  }
  return candidates;
}

// Reads the tables themselves, row by row, where the index is missing. As many rows as the
// index gives, the customers' first: a table is read only while fewer have been found.
QList<Candidate> TableCandidates(Connection& connection, const QString& fragment,
                                 const QString& number) {
  QList<Candidate> candidates;
  const bool server = connection.IsServer();
  for (int table = 0; table < Tables().size() && candidates.size() < kCandidates; ++table) {
    QStringList conditions;
    QVariantList bound;
    if (Length(fragment) >= 2) {
      conditions << QStringLiteral("lower(%1) like ? escape '\\'").arg(TextSql(table, {}));
      bound << Contains(fragment.toLower());
    }
    if (Length(number) >= 2 && !NumberColumns(table).isEmpty()) {
      conditions << NumberSql(table, {}, server) + QStringLiteral(" like ? escape '\\'");
      bound << Contains(number);
    }
    if (conditions.isEmpty()) continue;
    QSqlQuery& query = connection.Prepared(QStringLiteral("select CID, %1 from %2 where %3 limit ?")
                                               .arg(TextSql(table, {}), Tables()[table].name,
                                                    conditions.join(QStringLiteral(" or "))));
    bound << kCandidates - int(candidates.size());
    for (int i = 0; i < bound.size(); ++i) query.bindValue(i, bound[i]);
    connection.Run(query);
    while (query.next())
      candidates.append({table, query.value(0).toString(), query.value(1).toString()});
    query.finish();
  }
  return candidates;
}

// How well a stored text matches: 0 the whole text, 1 its beginning, 2 anywhere, 3 not at all.
int MatchKind(const QString& value, const QString& wanted) {
  if (Length(wanted) < 2) return 3;
  if (value.compare(wanted, Qt::CaseInsensitive) == 0) return 0;
  if (value.startsWith(wanted, Qt::CaseInsensitive)) return 1;
  return value.contains(wanted, Qt::CaseInsensitive) ? 2 : 3;
}

// How well each searched column of a candidate matches the fragment (as typed, or for a number
// column its number form too), in the columns' order.
QList<int> ColumnKinds(const Candidate& candidate, const QString& wanted, const QString& number) {
  const QStringList columns = SearchColumns(candidate.table);
  const QStringList values = candidate.text.split(kSeparator);
  QList<int> kinds;
  for (int i = 0; i < columns.size() && i < values.size(); ++i) {
    int kind = MatchKind(values[i], wanted);
    if (IsNumberColumn(columns[i])) kind = std::min(kind, MatchKind(Normalized(values[i]), number));
    kinds << kind;
  }
  return kinds;
}

bool Holds(const Candidate& candidate, const QString& wanted, const QString& number) {
  const QList<int> kinds = ColumnKinds(candidate, wanted, number);
  return std::any_of(kinds.begin(), kinds.end(), [](int kind) { return kind < 3; });
}

// Whether a find can use the index.
bool IndexUsable(Connection& connection) {
  return connection.IsServer() ? ServerIndexUsable(connection) : FileIndexReady(connection);
}

}  // namespace

bool HasQuickFindIndex(Connection& connection) {
  return connection.IsServer() ? ServerIndexReady(connection) : FileIndexReady(connection);
}

QString PrepareQuickFind(Connection& connection, const PrepareProgress& progress) {
  if (connection.IsServer())
    return ServerIndexReady(connection) ? QString() : PrepareServer(connection);
  return PrepareFile(connection, progress);
}

void DropQuickFind(Connection& connection) {
  if (connection.IsServer())
    DropServerIndex(connection);
  else
    DropFileIndex(connection);
}

void PauseQuickFind(Connection& connection, const QString& cid) {
  if (connection.IsServer())
    PauseServer(connection);
  else
    PauseFile(connection, cid);
}

void ResumeQuickFind(Connection& connection, const QString& cid) {
  if (connection.IsServer())
    ResumeServer(connection, cid);
  else
    ResumeFile(connection, cid);
}

QList<FindHit> QuickFind(Connection& connection, const QString& fragment, int limit) {
  const QString wanted = fragment.trimmed();
  const QString number = Normalized(wanted);
  if (Length(wanted) < 2) return {};
  QList<Candidate> candidates;
  if (IndexUsable(connection)) {
    FoundRows rows;
    if (connection.IsServer()) {
      ServerRows(connection, wanted, number, rows);
      candidates = RowTexts(connection, rows);
    } else {
      const bool crowded = FileRows(connection, wanted, number, rows, true);
      candidates = RowTexts(connection, rows);
      if (crowded && !std::all_of(candidates.begin(), candidates.end(),
                                  [&](const Candidate& c) { return Holds(c, wanted, number); })) {
        FoundRows exact;
        FileRows(connection, wanted, number, exact, false);
        candidates = RowTexts(connection, exact);
      }
    }
  } else {
    candidates = TableCandidates(connection, wanted, number);
  }

  // Each customer once, by its best match: (kind, table, column).
  struct Best {
    std::tuple<int, int, int> rank;
    FindHit hit;
  };
  std::map<QString, Best> best;
  for (const Candidate& candidate : candidates) {
    const QStringList columns = SearchColumns(candidate.table);
    const QStringList values = candidate.text.split(kSeparator);
    const QList<int> kinds = ColumnKinds(candidate, wanted, number);
    for (int i = 0; i < kinds.size(); ++i) {
      const int kind = kinds[i];
      if (kind == 3) continue;
      const std::tuple<int, int, int> rank{kind, candidate.table, i};
      auto it = best.find(candidate.cid);
      if (it == best.end() || rank < it->second.rank) {
        FindHit hit;
        hit.cid = candidate.cid;
        hit.table = Tables()[candidate.table].name;
        hit.column = columns[i];
        hit.value = values[i];
        best[candidate.cid] = {rank, hit};
      }
    }
  }
  std::vector<Best> ordered;
  for (auto& [cid, entry] : best) ordered.push_back(entry);
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const Best& a, const Best& b) { return a.rank < b.rank; });

  // The customers' row numbers and names, in one statement (on a server one round trip, not
  // one per customer listed); a key that two customers share gives the first.
  QJsonArray keys;
  for (const Best& entry : ordered) keys.append(entry.hit.cid);
  QSqlQuery& customers = connection.Prepared(
      QStringLiteral("select CID, rowid, Cust_name from customer where CID in (select %1) "
                     "order by rowid")
          .arg(connection.IsServer() ? QStringLiteral("json_array_elements_text(?::json)")
                                     : QStringLiteral("value from json_each(?)")));
  customers.bindValue(0, QString::fromUtf8(QJsonDocument(keys).toJson(QJsonDocument::Compact)));
  connection.Run(customers);
  QHash<QString, std::pair<qint64, QString>> found;
  while (customers.next())
    if (!found.contains(customers.value(0).toString()))
      found.insert(customers.value(0).toString(),
                   {customers.value(1).toLongLong(), customers.value(2).toString()});
  customers.finish();
  QList<FindHit> hits;
  for (Best& entry : ordered) {
    if (hits.size() >= limit) break;
    // A list row whose customer is gone finds nobody.
    const auto it = found.constFind(entry.hit.cid);
    if (it == found.constEnd()) continue;
    entry.hit.rowid = it->first;
    entry.hit.name = it->second;
    hits << entry.hit;
  }
  return hits;
}
