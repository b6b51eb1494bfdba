#include "ui/toolkit/keyedtoolbar.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>

KeyedToolBar::KeyedToolBar(QWidget* parent) : QToolBar(parent) {
  setMovable(false);
  setFloatable(false);
  setToolButtonStyle(Qt::ToolButtonIconOnly);
  setContextMenuPolicy(Qt::PreventContextMenu);
}

QAction* KeyedToolBar::AddButton(const QString& key, const QIcon& icon,
                                 const QKeySequence& shortcut) {
  // The key names the button in the program; the agent reads its translation (context
  // "KeyedToolBar", where the window's table marks its keys).
  const QString label = QCoreApplication::translate("KeyedToolBar", key.toUtf8().constData());
  auto* action = new QAction(icon, label, this);
  action->setObjectName(key);
  if (!shortcut.isEmpty()) {
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    // The tip spells the key the way it is printed on the keyboard ("Page Down").
    QString keyName = shortcut.toString(QKeySequence::NativeText);
    keyName.replace(QLatin1String("PgDown"), QLatin1String("Page Down"));
    keyName.replace(QLatin1String("PgUp"), QLatin1String("Page Up"));
    action->setToolTip(QStringLiteral("%1 (%2)").arg(label, keyName));
  } else {
    action->setToolTip(label);
  }
  addAction(action);
  if (QWidget* button = widgetForAction(action)) {
    button->setObjectName(QStringLiteral("button_") + key);
    button->setAccessibleName(label);
  }
  connect(action, &QAction::triggered, this, [this, key] { emit ButtonClick(key); });
  m_buttons.insert(key, action);
  return action;
}

void KeyedToolBar::AddSeparator() {
  addSeparator();
}

QAction* KeyedToolBar::Buttons(const QString& key) const {
  return m_buttons.value(key);
}

void KeyedToolBar::Press(const QString& key) {
  QAction* action = Buttons(key);
  if (action && action->isEnabled()) action->trigger();
}

namespace {

class KeyKeeper : public QObject {
 public:
  KeyKeeper(const QList<QKeySequence>& keys, QObject* parent) : QObject(parent), m_keys(keys) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ShortcutOverride) {
      auto* key = static_cast<QKeyEvent*>(event);
      const QKeySequence pressed(key->keyCombination());
      for (const QKeySequence& kept : m_keys) {
        if (kept.matches(pressed) == QKeySequence::ExactMatch) {
          event->accept();
          return true;
        }
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QList<QKeySequence> m_keys;
};

}  // namespace

void KeepKeys(QWidget* widget, const QList<QKeySequence>& keys) {
  widget->installEventFilter(new KeyKeeper(keys, widget));
}
