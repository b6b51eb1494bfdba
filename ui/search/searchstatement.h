#pragma once

#include <QString>

// The text that leaves a criterion open.
inline const QString kOpenCriterion = QStringLiteral("NA");

// The nine criteria of the search window, as their controls show them. "NA" leaves a
// criterion open (case-sensitive); the two address boxes are also open when empty.
struct SearchCriteria {
  QString name;
  QString sex;
  QString type;
  QString addHome;
  QString birthmonth;
  QString jobtype;
  QString addOffice;
  QString salary;
  QString marriage;
};

// The fragment each criterion contributes, and the statement made of them.
struct SearchStatement {
  QString condName, condSex, condType, condAddHome, condBirthmonth, condJobtype, condAddOffice,
      condSalary, condMarriage;
  // The name box's text after the search: an open name ("NA") is emptied, so the pattern
  // matches every name.
  QString name;
  QString sql;
};

// Builds the search statement. The fragments combine strictly left to right: seven opening
// parentheses, each later fragment closing one. An open combo criterion still compares its
// column with 'NA' through "or", which no entry of the customer window matches. Every text is
// quoted with its single quotes doubled, so no criterion can break the statement.
// For a server database (`server`), "like" is spelt so that it finds what SQLite's finds:
// letters A to Z match either case, every other character only itself, and no character
// escapes; the customers come in row-number order.
SearchStatement BuildSearchStatement(const SearchCriteria& criteria, bool server = false);
