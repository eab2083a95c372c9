#pragma once

#include <QString>
#include <QStringList>

#include <string>

class QLabel;
class QPushButton;
class QWidget;

namespace App {

/// Pieces every organiser pane is built from, and the conversion of the project's
/// Windows-1252 texts at the window's edge.

/// A project text (Windows-1252) as shown in a control.
QString uiText(const std::string &text);
/// What the user typed, as a project text; characters Windows-1252 lacks become "&#N;".
std::string projectText(const QString &text);

/// Gives a control its hint: shown as a tooltip and, while the pointer rests on the control,
/// in the status bar. Screen readers read it as the control's description.
void setHint(QWidget *control, const QString &hint);

/// The "&Help" button at the lower right of a pane.
QPushButton *makeHelpButton(QWidget *parent);

/// A framed strip of text lines, as at the top of the panes.
QLabel *makeFramedText(const QStringList &lines, QWidget *parent);

/// The grey cell that names a row of a pane; it names `control` for screen readers too.
QLabel *makeRowLabel(const QString &text, QWidget *control, QWidget *parent);

/// The hint text that shows in the status bar while the pane's Help buttons are pointed at.
inline const char *HelpHint = "Open help on this topic";

} // namespace App
