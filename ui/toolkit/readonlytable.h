#pragma once

#include <QStringList>

class QAbstractItemModel;
class QTableView;

// Shows a model read-only, a whole line selected at a time. Rows have a fixed height and a
// column is as wide as its heading or the typical value given for it, whichever is wider:
// nothing is measured over every line, so a long list opens at once. The last column takes
// what room is left.
void ShowReadOnly(QTableView* table, QAbstractItemModel* model, const QStringList& typical);
