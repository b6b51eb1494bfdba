#include "ui/toolkit/guard.h"

#include <QCoreApplication>
#include <QWidget>
#include <exception>

#include "data/dataerror.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/msgbox.h"

namespace {

FatalHandler& Fatal() {
  static FatalHandler handler;
  return handler;
}
EndHandler& End() {
  static EndHandler handler;
  return handler;
}
int g_depth = 0;
int g_fatalStatus = 0;

void EndWith(int status) {
  g_fatalStatus = status;
  if (Fatal()) {
    Fatal()(status);
  } else {
    QCoreApplication::exit(status);
  }
}

// The loaded window a handler's context belongs to, if any.
Form* FormOf(QObject* context) {
  auto* widget = qobject_cast<QWidget*>(context);
  auto* form = widget ? qobject_cast<Form*>(widget->window()) : nullptr;
  return form && form->IsLoaded() ? form : nullptr;
}

// The text of the error being handled, never empty.
QString FailureText() {
  QString text;
  try {
    throw;
  } catch (const DataError& error) {
    text = error.message();
  } catch (const std::exception& error) {
    text = QString::fromStdString(error.what());
  } catch (...) {
  }
  return text.isEmpty() ? QCoreApplication::translate("Guard", "Unexpected error.") : text;
}

}  // namespace

void SetFatalHandler(FatalHandler handler) {
  Fatal() = std::move(handler);
  g_fatalStatus = 0;
}

void SetEndHandler(EndHandler handler) {
  End() = std::move(handler);
}

int FatalStatus() {
  return g_fatalStatus;
}

void Guard(const std::function<void()>& handler, QObject* context) {
  ++g_depth;
  bool failed = false;
  bool known = false;
  try {
    handler();
  } catch (const DataError& error) {
    failed = true;
    known = error.Known();
    MsgBox(FailureText());
  } catch (...) {
    failed = true;
    MsgBox(FailureText());
  }
  bool fatal = failed && !known;
  if (known) {
    // Trouble that passes (a lost server, a lock, a full or read-only disk) was said; the window
    // the command came from shows a state it can stand behind again. Should that fail for the
    // same kind of reason, the message already said why.
    if (Form* form = FormOf(context)) {
      try {
        form->Recover();
      } catch (const DataError& error) {
        if (!error.Known()) {
          MsgBox(FailureText());
          fatal = true;
        }
      } catch (...) {
        MsgBox(FailureText());
        fatal = true;
      }
    }
    // With no window left to go on in (the start-up failed), the program ends as after any
    // failure.
    if (Form::LoadedCount() == 0) fatal = true;
  }
  --g_depth;
  if (fatal) {
    EndWith(1);
    return;
  }
  if (g_depth == 0 && Form::LoadedCount() == 0) {
    if (End()) {
      End()();
    } else {
      QCoreApplication::quit();
    }
  }
}
