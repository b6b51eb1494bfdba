#include "ui/program/module1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QSet>

#include "data/schema.h"
#include "ui/toolkit/msgbox.h"

std::unique_ptr<Connection> DbConnection;
std::unique_ptr<Recordset> CustomerSet;
std::unique_ptr<Recordset> FamilySet;
std::unique_ptr<Recordset> InsuranceSet;
std::unique_ptr<Recordset> CompensateSet;
std::unique_ptr<Recordset> ContactSet;

KeyList ResultCIDs;
int ResultCount = 0;

KeyList::KeyList(const QStringList& keys) {
  for (const QString& key : keys) append(key);
}

void KeyList::clear() {
  m_text.clear();
  m_ends.clear();
}

void KeyList::append(QStringView key) {
  m_text.append(key);
  m_ends.append(m_text.size());
}

QString KeyList::value(qsizetype number) const {
  if (number < 1 || number > m_ends.size()) return QString();
  const qsizetype start = number == 1 ? 0 : m_ends[number - 2];
  return m_text.mid(start, m_ends[number - 1] - start);
}

void HandOverKeys(const QStringList& keys) {
  ResultCIDs = KeyList(keys);
  ResultCount = int(keys.size());
}

namespace {

// Shows what an older file is being prepared for once that takes more than half a second.
class PreparationWindow {
 public:
  PreparationWindow() { m_timer.start(); }
  void Report(const QString& what) {
    // The window is drawn a few times a second; more would slow the work it reports on.
    const qint64 now = m_timer.elapsed();
    if (now < 500 || now - m_drawn < 100) return;
    m_drawn = now;
    if (!m_window) {
      m_window = std::make_unique<QProgressDialog>();
      m_window->setWindowTitle(QStringLiteral("Qel"));
      m_window->setCancelButton(nullptr);
      m_window->setRange(0, 0);
      m_window->setMinimumDuration(0);
      m_window->setWindowModality(Qt::ApplicationModal);
      m_window->setLabelText(what);
      m_window->show();
    }
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }

 private:
  QElapsedTimer m_timer;
  qint64 m_drawn = 0;
  std::unique_ptr<QProgressDialog> m_window;
};

}  // namespace

void CreateDataObjects() {
  // The record sets go first: they belong to the connection they were opened on.
  CustomerSet = std::make_unique<Recordset>();
  InsuranceSet = std::make_unique<Recordset>();
  CompensateSet = std::make_unique<Recordset>();
  ContactSet = std::make_unique<Recordset>();
  FamilySet = std::make_unique<Recordset>();
  DbConnection = std::make_unique<Connection>();
}

void ReleaseDataObjects() {
  CustomerSet.reset();
  FamilySet.reset();
  InsuranceSet.reset();
  CompensateSet.reset();
  ContactSet.reset();
  DbConnection.reset();
}

void OpenDataObjects() {
  QString notice;
  {
    PreparationWindow preparation;
    notice = OpenDatabase(*DbConnection, kDatabaseFile,
                          [&preparation](const QString& what) { preparation.Report(what); });
  }
  // Each window's load opens the file anew; the agent hears of it once.
  static QSet<QString> told;
  if (!notice.isEmpty() && !told.contains(notice)) {
    told.insert(notice);
    MsgBox(notice);
  }
  CustomerSet->Open(QStringLiteral("customer"), *DbConnection);
  FamilySet->Open(QStringLiteral("family"), *DbConnection);
  InsuranceSet->Open(QStringLiteral("insurance"), *DbConnection);
  CompensateSet->Open(QStringLiteral("compensate"), *DbConnection);
  ContactSet->Open(QStringLiteral("contact"), *DbConnection);
}
