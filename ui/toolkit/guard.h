#pragma once

#include <QObject>
#include <functional>
#include <type_traits>

class QObject;

// The error boundary. Every event handler runs inside Guard. A database error whose cause is
// known (DataError::Known: a lost server, a lock held too long, a read-only or full disk, a
// damaged file) shows its text in the message box, and the window of `context` recovers
// (Form::Recover); the program goes on. Any other error shows its text and ends the program
// with a non-zero status, as does a known one that leaves no window loaded. When the outermost
// handler has finished and no window is loaded any more, the program ends normally.
void Guard(const std::function<void()>& handler, QObject* context = nullptr);

// What "end the program" does; tests replace it to record the status instead.
using FatalHandler = std::function<void(int status)>;
void SetFatalHandler(FatalHandler handler);
// The status of the last fatal error (0 when none happened).
int FatalStatus();

// What "end the program normally" does (quit the event loop); tests replace it to record it.
using EndHandler = std::function<void()>;
void SetEndHandler(EndHandler handler);

// Connects a signal to a handler that runs inside Guard. The handler takes the signal's
// arguments, or none.
template <typename Sender, typename Signal, typename Handler>
QMetaObject::Connection OnEvent(Sender* sender, Signal signal, QObject* context, Handler handler) {
  return QObject::connect(sender, signal, context, [handler, context](const auto&... args) {
    Guard(
        [&] {
          if constexpr (std::is_invocable_v<const Handler&, decltype(args)...>) {
            handler(args...);
          } else {
            handler();
          }
        },
        context);
  });
}
