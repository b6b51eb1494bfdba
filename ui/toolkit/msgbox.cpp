#include "ui/toolkit/msgbox.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MsgBoxHook& Hook() {
  static MsgBoxHook hook;
  return hook;
}
}  // namespace

void SetMsgBoxHook(MsgBoxHook hook) {
  Hook() = std::move(hook);
}

void MsgBox(const QString& text) {
  if (Hook()) {
    Hook()(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Qel"), text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

bool AskYesNo(const QString& text) {
  if (Hook()) {
    Hook()(text);
    return true;
  }
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Qel"), text,
                  QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
  box.setWindowModality(Qt::ApplicationModal);
  return box.exec() == QMessageBox::Yes;
}
