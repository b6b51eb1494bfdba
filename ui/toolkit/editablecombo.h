#pragma once

#include <QStringList>

class QComboBox;
class QWidget;

// A combo box of the editable kind: the agent picks an entry or types any text, and the box
// keeps exactly what was typed (no typed text added to the list, no completion that changes
// case). It starts with empty text.
QComboBox* EditableCombo(QWidget* parent, const QString& name, const QStringList& entries);
