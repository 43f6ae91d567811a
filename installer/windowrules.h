// Where the installer's boxes and dialogs open and how wide they are. The
// wizard stays on top of the background, so a box that belonged to the
// background would open behind the wizard and leave it looking frozen.
#pragma once

class QWidget;

namespace ws::setup {

// The window a box or dialog opens over: the installer's active window, so it
// stands in front of what the user was working in. When none of the
// installer's windows is active, or the active one is `beneath` (the
// background, which the wizard covers), it opens over `fallback`.
QWidget* FrontWindow(QWidget* fallback, const QWidget* beneath = nullptr);

// Sizes a window to its layout, or keeps the size it was given, and widens it
// so that the window manager's title bar shows the whole caption (with the
// program's name that Qt adds) beside the frame's buttons. Called once the
// caption and the application's display name are set.
void FitCaption(QWidget& window);

// The width that FitCaption gives a window at least.
int CaptionWidth(const QWidget& window);

}  // namespace ws::setup
