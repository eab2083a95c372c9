#pragma once

#include <QString>
#include <QStringList>

class QGroupBox;
class QLabel;
class QWidget;

namespace App {

/// Pieces the organiser panes are built from.

/// The titled frame that fills a pane; the pane's controls go inside it.
QGroupBox *makePaneGroup(QWidget *pane, const QString &title);

/// A framed strip of text lines, as at the top of the panes.
QLabel *makeFramedText(const QStringList &lines, QWidget *parent);

/// The grey cell that names a row of a pane; it names `control` for screen readers too.
QLabel *makeRowLabel(const QString &text, QWidget *control, QWidget *parent);

} // namespace App
