#include "ui/toolkit/editablecombo.h"

#include <QComboBox>

QComboBox* EditableCombo(QWidget* parent, const QString& name, const QStringList& entries) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setCompleter(nullptr);
  combo->addItems(entries);
  combo->setEditText(QString());
  return combo;
}
