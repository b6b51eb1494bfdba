#pragma once

#include <QString>
#include <functional>

// The program's message box: application-modal, a text, an OK button only, no icon, titled
// "Qel". The handler goes on once it is closed.
void MsgBox(const QString& text);

// Tests replace the box with a recorder; an empty hook restores the real box.
using MsgBoxHook = std::function<void(const QString& text)>;
void SetMsgBoxHook(MsgBoxHook hook);

// A question in the same box with Yes and No buttons; true for Yes. Under a test's hook the
// hook hears the text and the answer is Yes.
bool AskYesNo(const QString& text);
