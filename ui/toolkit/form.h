#pragma once

#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

// A top-level window with the load/unload lifecycle the program relies on:
// - it is created, and its Form_Load runs, on first show (see Show<T>());
// - Unload() removes it at once from the loaded windows and destroys it after the running
//   handler has returned;
// - the program ends when no window is loaded once a handler has finished (see Guard).
class Form : public QWidget {
  Q_OBJECT
 public:
  Form();
  ~Form() override;

  void Unload();
  bool IsLoaded() const { return m_loaded; }
  static int LoadedCount();

  // Runs Form_Load; called once by Load<T>().
  void RunLoad() { Form_Load(); }

  // After a command of this window failed for a cause that passes (see Guard): brings what the
  // window shows back in line with the database, read again where it can be, keeping what the
  // agent is typing. By default nothing needs doing.
  virtual void Recover() {}

 protected:
  virtual void Form_Load() {}
  // The title bar's close; by default it unloads the window. Windows with their own way out
  // override it to run that way.
  virtual void QueryClose() { Unload(); }
  void closeEvent(QCloseEvent* event) override;

 private:
  bool m_loaded = true;
};

template <class T>
QPointer<T>& FormInstance() {
  static QPointer<T> instance;
  return instance;
}

// The loaded window of type T, or nullptr.
template <class T>
T* Loaded() {
  T* form = FormInstance<T>().data();
  return form && form->IsLoaded() ? form : nullptr;
}

// Loads the window when it is not loaded (creating its controls and running Form_Load).
template <class T>
T* Load() {
  if (T* form = Loaded<T>()) return form;
  T* form = new T();
  FormInstance<T>() = form;
  try {
    form->RunLoad();
  } catch (...) {
    // A window that could not load (the database out of reach) is not left half made.
    form->Unload();
    throw;
  }
  return form;
}

// Loads the window when needed, shows it (not modal) and brings it to the front.
template <class T>
T* Show() {
  T* form = Load<T>();
  if (form->IsLoaded()) {
    form->show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
      form->raise();
      form->activateWindow();
    }
  }
  return form;
}

// Inside a window's own methods Form::Unload() hides this one: call it as ::Unload<T>().
template <class T>
void Unload() {
  if (T* form = Loaded<T>()) form->Unload();
}
