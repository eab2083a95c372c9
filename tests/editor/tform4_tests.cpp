#include "editor/pagetext.h"
#include "editor/tform4.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempdir.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Editor::PageText;
using Editor::ToolSet;
using Strings = std::vector<std::string>;
using namespace Testing;

namespace {

/// The page editor shown and active, its Home text focused, with scripted answers.
class PageEditor : public ::testing::Test
{
protected:
    PageEditor()
    {
        editor.show();
        editor.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&editor));
        page()->setFocus();
    }
    ~PageEditor() override
    {
        EXPECT_EQ(dialogs.pendingAnswers(), 0u) << "a scripted answer was never asked for";
    }

    PageText *page(Corvanta::PageId id = 1) { return editor.pageControl(id); }
    template<typename T>
    T *control(const char *name)
    {
        T *found = editor.findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QAction *action(const char *name) { return control<QAction>(name); }

    /// The shown text with "|" for the caret and "[...]" around a selection, "\n" between lines.
    std::string marked(Corvanta::PageId id = 1)
    {
        const QTextCursor cursor = page(id)->textCursor();
        QString text = page(id)->toPlainText();
        if (cursor.hasSelection()) {
            text.insert(cursor.selectionEnd(), QLatin1Char(']'));
            text.insert(cursor.selectionStart(), QLatin1Char('['));
        } else {
            text.insert(cursor.position(), QLatin1Char('|'));
        }
        return text.toStdString();
    }
    /// Puts a text in the page with the caret at its "|" or the selection in its "[...]".
    void setMarked(const std::string &text, Corvanta::PageId id = 1)
    {
        QString plain = QString::fromStdString(text);
        const qsizetype caret = plain.indexOf(QLatin1Char('|'));
        const qsizetype open = plain.indexOf(QLatin1Char('['));
        plain.remove(QLatin1Char('|')).remove(QLatin1Char('[')).remove(QLatin1Char(']'));
        page(id)->setPlainText(plain);
        QTextCursor cursor = page(id)->textCursor();
        if (open >= 0) {
            const qsizetype close = QString::fromStdString(text).indexOf(QLatin1Char(']')) - 1;
            cursor.setPosition(static_cast<int>(open));
            cursor.setPosition(static_cast<int>(close), QTextCursor::KeepAnchor);
        } else {
            cursor.setPosition(static_cast<int>(caret < 0 ? 0 : caret));
        }
        page(id)->setTextCursor(cursor);
    }
    void answer(const Strings &answers)
    {
        for (const std::string &text : answers)
            dialogs.answerText(text);
    }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &editor;
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    }
    void type(const QString &text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    void clickTool(const char *name)
    {
        auto *button = control<QToolButton>(name);
        ASSERT_TRUE(button->isVisible()) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    std::vector<QToolButton *> advancedTools()
    {
        std::vector<QToolButton *> buttons;
        for (const Editor::ToolInfo &tool : Editor::Tools) {
            if (tool.set == ToolSet::Advanced)
                buttons.push_back(control<QToolButton>(tool.buttonName));
        }
        return buttons;
    }

    TempDir home;
    ScriptedDialogs dialogs;
    TForm4 editor {dialogs, home.path()};
};

} // namespace

TEST_F(PageEditor, Window_FixedSizeCaptionAndFourteenTextsWithoutTabs)
{
    EXPECT_EQ(editor.windowTitle(), "Editing Page - ");
    EXPECT_EQ(editor.size(), QSize(626, 378));
    EXPECT_EQ(editor.minimumSize(), editor.maximumSize());
    EXPECT_TRUE(editor.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(editor.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(editor.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(editor.shownPage(), 1);

    auto *area = control<QStackedWidget>("PageControl1");
    EXPECT_EQ(area->geometry(), QRect(0, 8, 481, 369));
    ASSERT_EQ(area->count(), 14);
    const char *captions[] = {"Home",     "Contact",  "About", "Events",  "Downloads",
                              "FAQ",      "Links",    "Gallery", "Portfolio", "Products",
                              "Services", "Press",    "Support", "Jobs"};
    for (int id = 1; id <= 14; ++id) {
        PageText *text = page(id);
        EXPECT_EQ(text->objectName(), QStringLiteral("memo%1").arg(id));
        EXPECT_EQ(area->widget(id - 1), text);
        EXPECT_EQ(text->accessibleName(), captions[id - 1]);
        EXPECT_EQ(text->lineWrapMode(), QPlainTextEdit::NoWrap);
        EXPECT_EQ(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        EXPECT_EQ(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        EXPECT_TRUE(text->tabChangesFocus());
    }
    EXPECT_TRUE(editor.findChildren<QTabBar *>().isEmpty());
}

TEST_F(PageEditor, Toolbox_EveryToolAtItsPlaceWithItsHintAndNeverFocused)
{
    ASSERT_EQ(editor.findChildren<QToolButton *>().size(), 38);
    for (const Editor::ToolInfo &tool : Editor::Tools) {
        auto *button = control<QToolButton>(tool.buttonName);
        const QPoint place = button->mapTo(&editor, QPoint(0, 0));
        EXPECT_EQ(QRect(place, button->size()),
                  QRect(tool.place.left, tool.place.top, tool.place.size, tool.place.size))
            << tool.hint;
        EXPECT_EQ(button->toolTip(), tool.hint);
        EXPECT_EQ(button->accessibleName(), tool.hint);
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
        EXPECT_TRUE(button->autoRaise());
        EXPECT_EQ(button->icon().isNull(), tool.icon == nullptr) << tool.hint;
    }
    EXPECT_EQ(control<QToolButton>("SpeedButton35")->text(), "Frm");
    EXPECT_EQ(control<QToolButton>("SpeedButton25")->text(), "&&");
    EXPECT_EQ(control<QToolButton>("SpeedButton27")->text(), QString::fromUtf8("\u20AC"));
    EXPECT_EQ(control<QToolButton>("SpeedButton26")->text(), "tm");

    struct Button
    {
        const char *name;
        const char *text;
        QRect place;
    };
    for (const Button &expected : {Button {"BitBtn2", "&Show Basic Tools Only", {489, 322, 137, 25}},
                                   Button {"BitBtn1", "&Close", {488, 352, 57, 25}},
                                   Button {"BitBtn8", "&Help", {552, 352, 73, 25}}}) {
        auto *button = control<QPushButton>(expected.name);
        EXPECT_EQ(button->text(), expected.text);
        EXPECT_EQ(button->geometry(), expected.place);
        EXPECT_FALSE(button->isDefault() || button->autoDefault()) << expected.name;
        EXPECT_FALSE(button->accessibleName().isEmpty());
    }
    EXPECT_EQ(control<QPushButton>("BitBtn8")->toolTip(), "Open help on this topic");
}

TEST_F(PageEditor, KeyboardOrder_TextCloseToggleHelp)
{
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "BitBtn1");
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "BitBtn2");
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "BitBtn8");
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), page());
}

TEST_F(PageEditor, Toggle_HidesExactlyTheTwelveAdvancedToolsAndTwiceBringsThemBack)
{
    auto *toggle = control<QPushButton>("BitBtn2");
    const std::vector<QToolButton *> advanced = advancedTools();
    ASSERT_EQ(advanced.size(), 12u);

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(toggle->text(), "&Show All Tools");
    EXPECT_TRUE(editor.basicToolsOnly());
    int shown = 0;
    for (QToolButton *button : editor.findChildren<QToolButton *>())
        shown += button->isVisible();
    EXPECT_EQ(shown, 26);
    for (QToolButton *button : advanced)
        EXPECT_FALSE(button->isVisible()) << button->toolTip().toStdString();
    EXPECT_EQ(control<QToolButton>("SpeedButton1")->geometry().topLeft(), QPoint(8, 6));
    EXPECT_EQ(editor.size(), QSize(626, 378));

    page()->setFocus();
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(toggle->text(), "&Show Basic Tools Only");
    for (QToolButton *button : editor.findChildren<QToolButton *>())
        EXPECT_TRUE(button->isVisible());
}

TEST_F(PageEditor, ContextMenu_QuickInsertEntriesShortcutsAndEditCommands)
{
    auto *menu = control<QMenu>("PopupMenu1");
    QStringList top;
    for (QAction *item : menu->actions())
        top << (item->isSeparator() ? "-" : item->text());
    EXPECT_EQ(top.join(','), "Quick Insert,Toggle Show Tools,-,&Undo,-,Cu&t,&Copy,&Paste,"
                             "Select &All,-,&Delete");

    QStringList entries;
    for (QAction *item : control<QMenu>("QuickInsert1")->actions()) {
        entries << (item->isSeparator() ? QStringLiteral("-")
                                        : item->text() + ' ' + item->shortcut().toString());
    }
    EXPECT_EQ(entries.join(','), "Bold Text Ctrl+F1,Italic Text Ctrl+F2,Underlined Text Ctrl+F3,-,"
                                 "Paragraph Ctrl+F4,-,Link Ctrl+F5,E-mail Link Ctrl+F6,-,"
                                 "Image Ctrl+F7,-,Color Text Ctrl+F8,Heading Ctrl+F9,"
                                 "List Ctrl+F10");
    EXPECT_EQ(action("ToggleShowTools1")->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(action("Undo1")->shortcut(), QKeySequence("Alt+Backspace"));
    EXPECT_EQ(action("Delete1")->shortcut(), QKeySequence("Del"));
    EXPECT_TRUE(action("SelectAll1")->shortcut().isEmpty());
    for (const char *withIcon : {"Undo1", "Cut1", "Copy1", "Paste1", "Delete1"})
        EXPECT_FALSE(action(withIcon)->icon().isNull()) << withIcon;
}

TEST_F(PageEditor, QuickInsert_EveryEntryRunsItsToolFromItsShortcutInBothModes)
{
    struct Entry
    {
        Qt::Key key;
        Strings answers;
        std::string result;
    };
    const Entry entries[] = {
        {Qt::Key_F1, {"x"}, "<b>x</b>|"},
        {Qt::Key_F2, {"x"}, "<i>x</i>|"},
        {Qt::Key_F3, {"x"}, "<u>x</u>|"},
        {Qt::Key_F4, {}, "<p>\n|\n</p>\n"},
        {Qt::Key_F5, {"a.html", "A"}, "<a href=\"a.html\">A</a>|"},
        {Qt::Key_F6, {"me@home.example", "Mail"}, "<a href=\"mailto:me@home.example\">Mail</a>|"},
        {Qt::Key_F7, {"dog.gif", "Dog"}, "<img src=\"dog.gif\" alt=\"Dog\">|"},
        {Qt::Key_F8, {"red", "Sale"}, "<font color=\"red\">Sale</font>|"},
        {Qt::Key_F9, {"7", "2", "Hi"}, "<h2>Hi</h2>|"},
        {Qt::Key_F10, {"2", "A", ""}, "<ul>\n     <li>A\n     <li>\n</ul>\n|"},
    };
    for (const bool basic : {false, true}) {
        if (basic)
            editor.BitBtn2Click();
        for (const Entry &entry : entries) {
            setMarked("|");
            page()->setFocus();
            answer(entry.answers);
            press(entry.key, Qt::ControlModifier);
            EXPECT_EQ(marked(), entry.result) << (basic ? "basic " : "all ") << entry.key;
            EXPECT_EQ(QApplication::focusWidget(), page());
        }
    }
    EXPECT_TRUE(editor.basicToolsOnly());
}

TEST_F(PageEditor, ToolboxButtons_RunTheirToolsOnTheShownTextWithoutTakingTheFocus)
{
    struct Click
    {
        const char *button;
        std::string before;
        Strings answers;
        std::string after;
    };
    const Click clicks[] = {
        {"SpeedButton4", "x[old]y", {"new"}, "x<s>new</s>|y"},
        {"SpeedButton1", "x[old]y", {""}, "x[old]y"},
        {"SpeedButton8", "A|B", {}, "<p align=\"left\">\n|\n</p>\nAB"},
        {"SpeedButton15", "a|b", {}, "a<hr>|b"},
        {"SpeedButton18", "[sel]", {}, "<pre>|</pre>"},
        {"SpeedButton20", "|", {}, "&copy;|"},
        {"SpeedButton25", "|", {}, "&amp;|"},
        {"SpeedButton38", "|end", {"1", "2"},
         "<table border=\"1\" cellpadding=\"1\" cellspacing=\"1\" bordercolor=\"black\">\n   <tr>\n"
         "       <td>\n       </td>\n       <td>\n       </td>\n   </tr>\n</table>\n|end"},
        {"SpeedButton35", "|", {}, "<form name=\"\" action=\"\" method=\"post\">\n|\n</form>\n"},
        {"SpeedButton32", "x|y", {},
         "<select name=\"\" size=\"1\">\n     <option value=\"\">Option 1\n</select>\n|xy"},
        {"SpeedButton12", "|", {"bg.wav", "5"},
         "<embed src=\"bg.wav\" loop=\"5\" autostart=\"true\" hidden=\"true\"></embed>|"},
    };
    editor.selectPage(6);
    for (const Click &click : clicks) {
        setMarked(click.before, 6);
        page(6)->setFocus();
        answer(click.answers);
        clickTool(click.button);
        EXPECT_EQ(marked(6), click.after) << click.button;
        EXPECT_EQ(QApplication::focusWidget(), page(6)) << click.button;
    }
    EXPECT_EQ(page(1)->toPlainText(), "");

    // In the basic set the remaining tools still work.
    editor.BitBtn2Click();
    setMarked("|", 6);
    answer({"b"});
    clickTool("SpeedButton1");
    EXPECT_EQ(marked(6), "<b>b</b>|");
}

TEST_F(PageEditor, TableRefused_ShowsTheToolErrorAndInsertsNothing)
{
    setMarked("a|");
    answer({"0", "3"});
    clickTool("SpeedButton38");
    ASSERT_EQ(dialogs.notices().size(), 1u);
    EXPECT_EQ(dialogs.notices()[0].text,
              "Due to errors in your input, the table cannot be created.\nReason: a table must "
              "have at least ONE row and ONE column. Please try again using valid input.");
    EXPECT_EQ(marked(), "a|");
}

TEST_F(PageEditor, Enter_WritesBreakTagThenStartsTheNewLine)
{
    type("Hello");
    press(Qt::Key_Return);
    EXPECT_EQ(marked(), "Hello<br>\n|");

    setMarked("x[abc]y");
    press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(marked(), "x<br>\n|y");

    // Shift+Enter is Enter too: a line never holds a line separator of its own.
    setMarked("a|");
    press(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(marked(), "a<br>\n|");
    EXPECT_EQ(editor.pageText(1), "a<br>\r\n");
}

TEST_F(PageEditor, Paste_GetsNoBreakTags)
{
    QGuiApplication::clipboard()->setText("one\ntwo");
    setMarked("|");
    action("Paste1")->trigger();
    EXPECT_EQ(marked(), "one\ntwo|");
}

TEST_F(PageEditor, Undo_TakesBackTypingButNeverAToolInsertion)
{
    type("ab");
    EXPECT_TRUE(action("Undo1")->isEnabled());
    press(Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(marked(), "|");

    type("ab");
    answer({"x"});
    clickTool("SpeedButton1");
    EXPECT_EQ(marked(), "ab<b>x</b>|");
    EXPECT_FALSE(action("Undo1")->isEnabled());
    press(Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(marked(), "ab<b>x</b>|");

    type("c");
    press(Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(marked(), "ab<b>x</b>|");

    // After Enter only the line break can be taken back; "<br>" stays.
    setMarked("Hi|");
    press(Qt::Key_Return);
    action("Undo1")->trigger();
    EXPECT_EQ(marked(), "Hi<br>|");
    EXPECT_FALSE(action("Undo1")->isEnabled());
}

TEST_F(PageEditor, Delete_RemovesTheSelectionOrOneCharacter)
{
    setMarked("one [two] three");
    press(Qt::Key_Delete);
    EXPECT_EQ(marked(), "one | three");

    setMarked("one [two] three");
    action("Delete1")->trigger();
    EXPECT_EQ(marked(), "one | three");

    setMarked("ab|cd");
    EXPECT_FALSE(action("Delete1")->isEnabled());
    press(Qt::Key_Delete);
    EXPECT_EQ(marked(), "ab|d");
}

TEST_F(PageEditor, EditCommands_FollowTheFocusedTextAndAreOffOnButtons)
{
    QGuiApplication::clipboard()->setText("clip");
    setMarked("a[b]c");
    for (const char *name : {"Cut1", "Copy1", "Paste1", "SelectAll1", "Delete1"})
        EXPECT_TRUE(action(name)->isEnabled()) << name;
    EXPECT_FALSE(action("Undo1")->isEnabled());

    setMarked("|");
    EXPECT_FALSE(action("SelectAll1")->isEnabled());
    EXPECT_FALSE(action("Copy1")->isEnabled());

    setMarked("a[b]c");
    control<QPushButton>("BitBtn1")->setFocus();
    for (const char *name : {"Undo1", "Cut1", "Copy1", "Paste1", "SelectAll1", "Delete1"})
        EXPECT_FALSE(action(name)->isEnabled()) << name;

    page()->setFocus();
    action("SelectAll1")->trigger();
    action("Cut1")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "abc");
    EXPECT_EQ(marked(), "|");
}

TEST_F(PageEditor, RightClick_SameMenuOverTheToolboxAndOverTheText)
{
    auto *menu = control<QMenu>("PopupMenu1");
    const auto rightClick = [&](QWidget *where) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), where->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(where, &event);
        const bool opened = menu->isVisible();
        menu->hide();
        return opened;
    };
    EXPECT_TRUE(rightClick(control<QFrame>("Panel2")));
    EXPECT_TRUE(rightClick(control<QToolButton>("SpeedButton5")));
    EXPECT_TRUE(rightClick(page()->viewport()));
}

TEST_F(PageEditor, Help_OpensTheEditorsHelpTopic)
{
    QTest::mouseClick(control<QPushButton>("BitBtn8"), Qt::LeftButton);
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked()[0].target, home.path() + "/help/con6.html");
}

TEST_F(PageEditor, PlaceCaret_ScrollsTheCaretIntoView)
{
    std::string body;
    for (int line = 0; line < 300; ++line)
        body += "line " + std::to_string(line) + "\r\n";
    editor.setPageText(1, body);
    EXPECT_EQ(page()->verticalScrollBar()->value(), 0);
    page()->PlaceCaret(250, 2);
    EXPECT_EQ(page()->caretLine(), 250);
    EXPECT_EQ(page()->caretColumn(), 2);
    EXPECT_GT(page()->verticalScrollBar()->value(), 200);
    EXPECT_TRUE(page()->viewport()->rect().contains(page()->cursorRect()));
}

TEST_F(PageEditor, Texts_KeepWindows1252AndCrLfAndTurnOtherCharactersIntoReferences)
{
    const std::string body = "caf\xE9 \x80 a\xA0" "b\r\n\r\nlast";
    editor.setPageText(3, body);
    EXPECT_EQ(editor.pageText(3), body);
    EXPECT_EQ(page(3)->document()->toRawText(),
              QString::fromUtf8("caf\u00E9 \u20AC a\u00A0b\u2029\u2029last"));

    setMarked("|");
    page()->insertPlainText(QString::fromUtf8("\u4E2D!"));
    EXPECT_EQ(editor.pageText(1), "&#20013;!");
    EXPECT_EQ(editor.pageText(2), "");
}

TEST_F(PageEditor, Opening_ShowsThePageWithItsCaptionAndKeepsTextsCaretsAndScrolling)
{
    editor.hide();
    std::string longBody;
    for (int line = 0; line < 200; ++line)
        longBody += "row\r\n";
    editor.setPageText(14, longBody);

    struct Seen
    {
        QString caption;
        Corvanta::PageId page;
        bool visible;
    };
    std::vector<Seen> seen;
    // Each opening runs until the user closes the window; meanwhile the user acts.
    const auto openAndDo = [&](Corvanta::PageId id, const std::function<void()> &act) {
        QTimer::singleShot(0, &editor, [&, act] {
            seen.push_back({editor.windowTitle(), editor.shownPage(),
                            editor.pageControl(editor.shownPage())->isVisible()});
            act();
            QTest::mouseClick(control<QPushButton>("BitBtn1"), Qt::LeftButton);
        });
        editor.openOnPage(id);
        EXPECT_FALSE(editor.isVisible());
    };
    openAndDo(1, [&] {
        page(1)->setFocus();
        type("Hi there");
        QTextCursor cursor = page(1)->textCursor();
        cursor.setPosition(2);
        page(1)->setTextCursor(cursor);
    });
    openAndDo(14, [&] { page(14)->PlaceCaret(150, 0); });
    const int scrolled = page(14)->verticalScrollBar()->value();
    openAndDo(2, [&] {});
    openAndDo(1, [&] {});
    openAndDo(14, [&] {});

    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].caption, "Editing Page - Home");
    EXPECT_EQ(seen[1].caption, "Editing Page - Jobs");
    EXPECT_EQ(seen[2].caption, "Editing Page - Contact");
    EXPECT_EQ(seen[2].page, 2);
    for (const Seen &opening : seen)
        EXPECT_TRUE(opening.visible);
    EXPECT_EQ(marked(1), "Hi| there");
    EXPECT_EQ(page(14)->caretLine(), 150);
    EXPECT_GT(scrolled, 0);
    EXPECT_EQ(page(14)->verticalScrollBar()->value(), scrolled);
}

TEST_F(PageEditor, Escape_DoesNotCloseTheWindow)
{
    press(Qt::Key_Escape);
    EXPECT_TRUE(editor.isVisible());
}
