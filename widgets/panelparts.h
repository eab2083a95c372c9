#pragma once

#include <QPalette>
#include <QSize>
#include <QString>

class QAbstractButton;
class QBoxLayout;
class QLabel;
class QPushButton;
class QWidget;

namespace Widgets {

/// The hint of every Help button: shown as its tooltip and in the status bar.
inline constexpr const char *HelpHint = "Open help on this topic";

/// Gives a control its hint: shown as a tooltip and, while the pointer rests on the control,
/// in the status bar. Screen readers read it as the control's description.
void setHint(QWidget *control, const QString &hint);

/// The design's size of a button, or more where its text and picture need more room at the
/// font it has now.
QSize buttonSize(const QAbstractButton *button, const QSize &designSize);

/// Lets a control (or a panel, once its contents are in) become no smaller than the design's
/// size, nor smaller than its text and contents need at the font it has now; 0 leaves that
/// direction to the contents alone.
void keepAtLeast(QWidget *control, const QSize &designSize);

/// Gives a button the fixed size buttonSize() says.
void fixButtonSize(QAbstractButton *button, const QSize &designSize);

/// A 75 by 25 (or, for a large font, larger) "&Help" button with the help picture and the help
/// hint, named `objectName`.
QPushButton *makeHelpButton(QWidget *parent, const QString &objectName);

/// Adds the row at the bottom of a pane, with its Help button at the right; returns the button.
QPushButton *addHelpRow(QBoxLayout *column, QWidget *parent, const QString &objectName);

/// Fills a panel's background with one colour of the palette (Window, Mid, Dark, ...) and
/// draws its texts, and those of the controls on it, in whichever of the palette's window text
/// and window colours reads better on it; both follow when the palette changes.
void fillPanel(QWidget *panel, QPalette::ColorRole background);

/// The raised cell, in the palette's button colour, that names a row or a group of a pane;
/// set its text first, as the cell keeps room for it.
void makeGreyCell(QLabel *label);

} // namespace Widgets
