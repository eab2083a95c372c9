#pragma once

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

class QAction;
class QKeySequence;
class QMenu;
class QWidget;

namespace Widgets {

/// A command of `window` named `objectName`, with the picture `iconName` (or none) and a
/// shortcut that works anywhere in the window, also while every menu is closed.
QAction *addWindowAction(QWidget *window, const char *objectName, const QString &text,
    const char *iconName, const QKeySequence &shortcut);

/// Makes Ctrl+Y redo in every text control of the program, also in windows without the edit
/// commands, where the desktop's own keys may redo with Ctrl+Shift+Z only. Once, at start-up.
void redoWithCtrlYEverywhere();

/// The seven standard edit commands (Undo, Redo, Cut, Copy, Paste, Select All, Delete) of a
/// window.
/// They act on the text control that has the keyboard focus and are enabled only when they
/// apply there, so that a disabled command's shortcut reaches the control as an ordinary key.
class EditCommands : public QObject
{
    Q_OBJECT
public:
    /// Adds the seven commands to `window`, whose shortcuts work there with every menu closed.
    explicit EditCommands(QWidget *window);

    /// Undo (Ctrl+Z, and Alt+Backspace).
    QAction *undo() const { return m_undo; }
    /// Redo (Ctrl+Shift+Z, and Ctrl+Y).
    QAction *redo() const { return m_redo; }
    /// Cut (Ctrl+X).
    QAction *cut() const { return m_cut; }
    /// Copy (Ctrl+C).
    QAction *copy() const { return m_copy; }
    /// Paste (Ctrl+V).
    QAction *paste() const { return m_paste; }
    /// Select All (Ctrl+A).
    QAction *selectAll() const { return m_selectAll; }
    /// Delete (Del): removes the selection only.
    QAction *remove() const { return m_delete; }

    /// Adds Undo, Redo, a separator, Cut, Copy, Paste, Select All, a separator and Delete.
    void addTo(QMenu *menu) const;

    /// Brings the enabled states up to date with the focused control.
    void refresh();

private:
    void follow(QWidget *control);

    QWidget *m_window;
    QPointer<QWidget> m_target;
    QList<QMetaObject::Connection> m_targetConnections;
    QAction *m_undo;
    QAction *m_redo;
    QAction *m_cut;
    QAction *m_copy;
    QAction *m_paste;
    QAction *m_selectAll;
    QAction *m_delete;
};

} // namespace Widgets
