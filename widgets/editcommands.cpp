#include "widgets/editcommands.h"

#include "assets/icons.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>

namespace Widgets {
namespace {

// What the commands need to know of a text control, whichever kind it is.
struct TextState
{
    bool editable = false;
    bool hasText = false;
    bool hasSelection = false;
    bool canUndo = false;
    bool canRedo = false;
};

TextState stateOf(QWidget *control)
{
    if (auto *line = qobject_cast<QLineEdit *>(control)) {
        return { !line->isReadOnly(), !line->text().isEmpty(), line->hasSelectedText(),
            !line->isReadOnly() && line->isUndoAvailable(),
            !line->isReadOnly() && line->isRedoAvailable() };
    }
    if (auto *plain = qobject_cast<QPlainTextEdit *>(control)) {
        return { !plain->isReadOnly(), !plain->document()->isEmpty(),
            plain->textCursor().hasSelection(),
            !plain->isReadOnly() && plain->document()->isUndoAvailable(),
            !plain->isReadOnly() && plain->document()->isRedoAvailable() };
    }
    if (auto *rich = qobject_cast<QTextEdit *>(control)) {
        return { !rich->isReadOnly(), !rich->document()->isEmpty(),
            rich->textCursor().hasSelection(),
            !rich->isReadOnly() && rich->document()->isUndoAvailable(),
            !rich->isReadOnly() && rich->document()->isRedoAvailable() };
    }
    return {};
}

bool isTextControl(QWidget *control)
{
    return qobject_cast<QLineEdit *>(control) || qobject_cast<QPlainTextEdit *>(control)
        || qobject_cast<QTextEdit *>(control);
}

bool clipboardHasText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}

// Runs a command on the control as the kind of text control it is.
template <typename Command> void onText(QWidget *control, Command command)
{
    if (auto *line = qobject_cast<QLineEdit *>(control))
        command(line);
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(control))
        command(plain);
    else if (auto *rich = qobject_cast<QTextEdit *>(control))
        command(rich);
}

// Delete removes the selection only, never the character after the caret.
void removeSelection(QLineEdit *text)
{
    if (text->hasSelectedText())
        text->del();
}

template <typename Text> void removeSelection(Text *text)
{
    text->textCursor().removeSelectedText();
}

// Ctrl+Y as Redo in a text control that has the focus and something to redo; a window's own
// Ctrl+Y shortcut (the edit commands' Redo) takes the key before it gets here.
class CtrlYRedo : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        auto *control = qobject_cast<QWidget *>(watched);
        if (key->key() != Qt::Key_Y || key->modifiers() != Qt::ControlModifier
            || control != QApplication::focusWidget() || !stateOf(control).canRedo)
            return false;
        onText(control, [](auto *text) { text->redo(); });
        return true;
    }
};

} // namespace

void redoWithCtrlYEverywhere()
{
    static QPointer<CtrlYRedo> installed;
    if (!installed) {
        installed = new CtrlYRedo(qApp);
        qApp->installEventFilter(installed);
    }
}

QAction *addWindowAction(QWidget *window, const char *objectName, const QString &text,
    const char *iconName, const QKeySequence &shortcut)
{
    auto *action = new QAction(text, window);
    action->setObjectName(QLatin1String(objectName));
    if (iconName)
        action->setIcon(Assets::icon(iconName));
    action->setShortcut(shortcut);
    // Added to the window itself, so that its shortcut works with every menu closed.
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    return action;
}

EditCommands::EditCommands(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    // The shortcuts people know from other programs come first and show in the menus; the
    // older ones keep working.
    m_undo = addWindowAction(
        window, "Undo1", QStringLiteral("&Undo"), "edit-undo", QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_undo->setShortcuts(
        { QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace) });
    m_redo = addWindowAction(window, "Redo1", QStringLiteral("&Redo"), nullptr,
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    m_redo->setShortcuts(
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y) });
    m_cut = addWindowAction(
        window, "Cut1", QStringLiteral("Cu&t"), "edit-cut", QKeySequence(Qt::CTRL | Qt::Key_X));
    m_copy = addWindowAction(
        window, "Copy1", QStringLiteral("&Copy"), "edit-copy", QKeySequence(Qt::CTRL | Qt::Key_C));
    m_paste = addWindowAction(window, "Paste1", QStringLiteral("&Paste"), "edit-paste",
        QKeySequence(Qt::CTRL | Qt::Key_V));
    m_selectAll = addWindowAction(window, "SelectAll1", QStringLiteral("Select &All"), nullptr,
        QKeySequence(Qt::CTRL | Qt::Key_A));
    m_delete = addWindowAction(
        window, "Delete1", QStringLiteral("&Delete"), "edit-delete", QKeySequence(Qt::Key_Delete));
    // The three clipboard commands name themselves in the status bar while highlighted.
    m_cut->setStatusTip(QStringLiteral("Cut"));
    m_copy->setStatusTip(QStringLiteral("Copy"));
    m_paste->setStatusTip(QStringLiteral("Paste"));

    const auto command = [this](QAction *action, auto run) {
        connect(action, &QAction::triggered, this, [this, run] {
            onText(m_target, run);
            refresh();
        });
    };
    command(m_undo, [](auto *text) { text->undo(); });
    command(m_redo, [](auto *text) { text->redo(); });
    command(m_cut, [](auto *text) { text->cut(); });
    command(m_copy, [](auto *text) { text->copy(); });
    command(m_paste, [](auto *text) { text->paste(); });
    command(m_selectAll, [](auto *text) { text->selectAll(); });
    command(m_delete, [](auto *text) { removeSelection(text); });

    connect(
        qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) { follow(now); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &EditCommands::refresh);
    follow(QApplication::focusWidget());
}

void EditCommands::addTo(QMenu *menu) const
{
    menu->addAction(m_undo);
    menu->addAction(m_redo);
    menu->addSeparator();
    menu->addAction(m_cut);
    menu->addAction(m_copy);
    menu->addAction(m_paste);
    menu->addAction(m_selectAll);
    menu->addSeparator();
    menu->addAction(m_delete);
}

void EditCommands::follow(QWidget *control)
{
    if (control && (control->window() != m_window || !isTextControl(control)))
        control = nullptr;
    if (control == m_target)
        return refresh();
    for (const QMetaObject::Connection &connection : std::as_const(m_targetConnections))
        disconnect(connection);
    m_targetConnections.clear();
    m_target = control;
    if (auto *line = qobject_cast<QLineEdit *>(control)) {
        m_targetConnections << connect(
            line, &QLineEdit::selectionChanged, this, &EditCommands::refresh)
                            << connect(line, &QLineEdit::textChanged, this, &EditCommands::refresh);
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(control)) {
        m_targetConnections
            << connect(plain, &QPlainTextEdit::selectionChanged, this, &EditCommands::refresh)
            << connect(plain, &QPlainTextEdit::textChanged, this, &EditCommands::refresh)
            << connect(plain, &QPlainTextEdit::undoAvailable, this, &EditCommands::refresh)
            << connect(plain, &QPlainTextEdit::redoAvailable, this, &EditCommands::refresh);
    } else if (auto *rich = qobject_cast<QTextEdit *>(control)) {
        m_targetConnections
            << connect(rich, &QTextEdit::selectionChanged, this, &EditCommands::refresh)
            << connect(rich, &QTextEdit::textChanged, this, &EditCommands::refresh)
            << connect(rich, &QTextEdit::undoAvailable, this, &EditCommands::refresh)
            << connect(rich, &QTextEdit::redoAvailable, this, &EditCommands::refresh);
    }
    refresh();
}

void EditCommands::refresh()
{
    const TextState state = stateOf(m_target);
    m_undo->setEnabled(state.canUndo);
    m_redo->setEnabled(state.canRedo);
    m_cut->setEnabled(state.editable && state.hasSelection);
    m_copy->setEnabled(state.hasSelection);
    m_paste->setEnabled(state.editable && m_target && clipboardHasText());
    m_selectAll->setEnabled(state.hasText);
    m_delete->setEnabled(state.editable && state.hasSelection);
}

} // namespace Widgets
