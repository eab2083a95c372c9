#pragma once

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QWidget;

namespace App {

/// The six standard edit commands (Undo, Cut, Copy, Paste, Select All, Delete) of a window.
/// They act on the text control that has the keyboard focus and are enabled only when they
/// apply there, so that a disabled command's shortcut reaches the control as an ordinary key.
class EditCommands : public QObject
{
    Q_OBJECT
public:
    explicit EditCommands(QWidget *window);

    QAction *undo() const { return m_undo; }
    QAction *cut() const { return m_cut; }
    QAction *copy() const { return m_copy; }
    QAction *paste() const { return m_paste; }
    QAction *selectAll() const { return m_selectAll; }
    QAction *remove() const { return m_delete; }

    /// Adds Undo, a separator, Cut, Copy, Paste, Select All, a separator and Delete.
    void addTo(QMenu *menu) const;

    /// Brings the enabled states up to date with the focused control.
    void refresh();

private:
    void follow(QWidget *control);

    QWidget *m_window;
    QPointer<QWidget> m_target;
    QList<QMetaObject::Connection> m_targetConnections;
    QAction *m_undo;
    QAction *m_cut;
    QAction *m_copy;
    QAction *m_paste;
    QAction *m_selectAll;
    QAction *m_delete;
};

} // namespace App
