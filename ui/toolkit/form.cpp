#include "ui/toolkit/form.h"

#include <QCloseEvent>

#include "ui/toolkit/guard.h"

namespace {
int g_loaded = 0;
}

Form::Form() : QWidget(nullptr) {
  ++g_loaded;
}

Form::~Form() {
  if (m_loaded) --g_loaded;
}

int Form::LoadedCount() {
  return g_loaded;
}

void Form::Unload() {
  if (!m_loaded) return;
  m_loaded = false;
  --g_loaded;
  hide();
  // Destroyed once the running handler has returned to the event loop.
  deleteLater();
}

void Form::closeEvent(QCloseEvent* event) {
  // The window decides itself what closing means; it stays unless its way out unloads it.
  event->ignore();
  Guard([this] { QueryClose(); }, this);
}
