#pragma once

#include <QColor>
#include <QString>

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

/// A 75 by 25 "&Help" button with the help picture and the help hint, named `objectName`.
QPushButton *makeHelpButton(QWidget *parent, const QString &objectName);

/// Adds the row at the bottom of a pane, with its Help button at the right; returns the button.
QPushButton *addHelpRow(QBoxLayout *column, QWidget *parent, const QString &objectName);

/// The greys of the program's panels.
namespace Grey {
/// The light grey of the title bands and headings on the windows.
inline const QColor Silver(0xC0, 0xC0, 0xC0);
/// The mid grey of the organiser's sidebar.
inline const QColor Sidebar(128, 128, 128);
/// The dark grey of the plate that names the sidebar.
inline const QColor SidebarPlate(96, 96, 96);
} // namespace Grey

/// Fills a panel's background with `background` and, when `text` is valid, draws its texts
/// (and those of the controls on it) in `text`.
void fillPanel(QWidget *panel, const QColor &background, const QColor &text = QColor());

/// The raised grey cell that names a row or a group of a pane: a shade lighter than the
/// window's mid tone.
void makeGreyCell(QLabel *label);

} // namespace Widgets
