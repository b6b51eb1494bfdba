#include "app/module1.h"

#include "data/schema.h"

std::unique_ptr<Connection> DbConnection;
std::unique_ptr<Recordset> CustomerSet;
std::unique_ptr<Recordset> FamilySet;
std::unique_ptr<Recordset> InsuranceSet;
std::unique_ptr<Recordset> CompensateSet;
std::unique_ptr<Recordset> ContactSet;

QVector<QString> ResultCIDs;
int ResultCount = 0;

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
  OpenDatabase(*DbConnection, kDatabaseFile);
  CustomerSet->Open(QStringLiteral("customer"), *DbConnection);
  FamilySet->Open(QStringLiteral("family"), *DbConnection);
  InsuranceSet->Open(QStringLiteral("insurance"), *DbConnection);
  CompensateSet->Open(QStringLiteral("compensate"), *DbConnection);
  ContactSet->Open(QStringLiteral("contact"), *DbConnection);
}
