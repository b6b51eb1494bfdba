#include "ui/toolkit/guard.h"

#include <QCoreApplication>
#include <exception>

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

void Guard(const std::function<void()>& handler) {
  ++g_depth;
  QString failure;
  try {
    handler();
  } catch (const std::exception& error) {
    failure = QString::fromStdString(error.what());
    if (failure.isEmpty()) failure = QStringLiteral("Unexpected error.");
  } catch (...) {
    failure = QStringLiteral("Unexpected error.");
  }
  --g_depth;
  if (!failure.isNull()) {
    MsgBox(failure);
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
