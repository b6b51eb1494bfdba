#pragma once

#include <QString>
#include <functional>

// The program's message box: application-modal, a text, an OK button only, no icon, titled
// "Qel". The handler goes on once it is closed.
void MsgBox(const QString& text);

// Tests replace the box with a recorder; an empty hook restores the real box.
using MsgBoxHook = std::function<void(const QString& text)>;
void SetMsgBoxHook(MsgBoxHook hook);
