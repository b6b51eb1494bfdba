#include "ui/toolkit/editablecombo.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

#include "ui/toolkit/look.h"

QComboBox* EditableCombo(QWidget* parent, const QString& name, const QStringList& entries) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  combo->setEditable(true);
  KeepWhole(combo->lineEdit());
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setCompleter(nullptr);
  for (const QString& entry : entries) combo->addItem(StoredLabel(entry), entry);
  combo->setEditText(QString());
  return combo;
}

QString ComboValue(const QComboBox* combo) {
  const QString text = combo->currentText();
  const int entry = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  return entry >= 0 ? combo->itemData(entry).toString() : text;
}

void SetComboValue(QComboBox* combo, const QString& value) {
  const int entry = combo->findData(value, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
  combo->setEditText(entry >= 0 ? combo->itemText(entry) : value);
}

QString StoredLabel(const QString& value) {
  return QCoreApplication::translate("StoredValue", value.toUtf8().constData());
}
