#pragma once

#include <QStringList>

class QComboBox;
class QWidget;

// A combo box of the editable kind: the agent picks an entry or types any text, and the box
// keeps exactly what was typed (no typed text added to the list, no completion that changes
// case). It starts with empty text.
// Each entry is a value as stored; the box shows it in the language the program speaks (its
// translation in the context "StoredValue", the value itself where there is none). What is
// stored never depends on the language: read and set the box by ComboValue and SetComboValue.
QComboBox* EditableCombo(QWidget* parent, const QString& name, const QStringList& entries);

// The value the box stands for: the stored value of the entry whose label it shows, else the
// text as typed.
QString ComboValue(const QComboBox* combo);
// Shows a stored value: the label of its entry, else the value as it is.
void SetComboValue(QComboBox* combo, const QString& value);
// A stored value's label in the language the program speaks.
QString StoredLabel(const QString& value);
