// How an error raised inside an event handler reaches the person: the handler ends where it
// stands, a message box shows the error's text, and the event loop goes on.
#pragma once

#include <QString>
#include <exception>
#include <functional>

namespace segsim {

// The text a box shows for a message: a full stop is appended when the last character comes
// after "." in character order ("abc" -> "abc.", "abc." and "abc)" stay as they are).
QString ErrorText(const QString& message);

// Shows one error: a modal box with the error icon, one OK button, the application's name as
// its title and ErrorText(message) as its text. While a box is open, further errors are dropped
// instead of stacking more boxes (a failing 1 ms timer would otherwise pile them up).
void ShowError(const QString& message);

// Where errors go instead of the box (tests record them); returns the presenter it replaces.
// An empty function restores the box.
using ErrorPresenter = std::function<void(const QString& message)>;
ErrorPresenter SetErrorPresenter(ErrorPresenter presenter);

// The guard every handler runs in.
template <class F>
void RunGuarded(F&& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()));
  }
}

// A slot that runs a handler of obj inside the guard, for the typed form of connect.
template <class Obj>
auto Guarded(Obj* obj, void (Obj::*handler)()) {
  return [obj, handler] { RunGuarded([&] { (obj->*handler)(); }); };
}

}  // namespace segsim
