#include "ui/toolkit/editablecombo.h"

#include <QComboBox>
#include <QLineEdit>

#include "ui/toolkit/look.h"

QComboBox* EditableCombo(QWidget* parent, const QString& name, const QStringList& entries) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  combo->setEditable(true);
  KeepWhole(combo->lineEdit());
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setCompleter(nullptr);
  combo->addItems(entries);
  combo->setEditText(QString());
  return combo;
}
