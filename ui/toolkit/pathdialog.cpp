#include "ui/toolkit/pathdialog.h"

#include <QFileDialog>

namespace {
PathDialogHook& Hook() {
  static PathDialogHook hook;
  return hook;
}
}  // namespace

void SetPathDialogHook(PathDialogHook hook) {
  Hook() = std::move(hook);
}

QString AskPath(QWidget* parent, PathKind kind, const QString& caption, const QString& start,
                const QString& filter) {
  if (Hook()) return Hook()(kind, caption);
  switch (kind) {
    case PathKind::OpenFile:
      return QFileDialog::getOpenFileName(parent, caption, start, filter);
    case PathKind::Folder:
      return QFileDialog::getExistingDirectory(parent, caption, start);
    case PathKind::SaveFile:
      return QFileDialog::getSaveFileName(parent, caption, start, filter);
  }
  return {};
}
