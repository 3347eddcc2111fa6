// The system's own message box (not an error): modal, with a text, a caption and one OK button,
// owned by no window. The sweep's "please select a parameter" is the one such box.
#pragma once

#include <QString>
#include <functional>

namespace segsim {

void ShowMessage(const QString& text, const QString& caption);

// Where messages go instead of the box (tests record them); returns the presenter it replaces.
// An empty function restores the box.
using MessagePresenter = std::function<void(const QString& text, const QString& caption)>;
MessagePresenter SetMessagePresenter(MessagePresenter presenter);

}  // namespace segsim
