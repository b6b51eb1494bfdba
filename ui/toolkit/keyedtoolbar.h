#pragma once

#include <QHash>
#include <QKeySequence>
#include <QToolBar>

class QAction;

// A toolbar whose buttons are reached by key. Each button shows only its picture; its action
// carries the key as text and accessible name, and the key (with the shortcut, if any) as tool
// tip. A disabled button's shortcut does nothing.
class KeyedToolBar : public QToolBar {
  Q_OBJECT
 public:
  explicit KeyedToolBar(QWidget* parent = nullptr);

  QAction* AddButton(const QString& key, const QIcon& icon,
                     const QKeySequence& shortcut = QKeySequence());
  void AddSeparator();
  // The button with this key (exact); nullptr when there is none.
  QAction* Buttons(const QString& key) const;
  // Presses the button as the user would: nothing happens while it is disabled.
  void Press(const QString& key);

 signals:
  void ButtonClick(const QString& key);

 private:
  QHash<QString, QAction*> m_buttons;
};

// Lets a focused widget keep keys for itself that are also window shortcuts.
void KeepKeys(QWidget* widget, const QList<QKeySequence>& keys);
