#include "editor/pageeditor.h"
#include "editor/pagetext.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempdir.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

using Editor::PageText;
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
    PageText *page(Model::PageId id = 1) { return editor.pageControl(id); }
    template <typename T> T *control(const char *name)
    {
        T *found = editor.findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QAction *action(const char *name) { return control<QAction>(name); }

    /// The shown text with "|" for the caret and "[...]" around a selection, "\n" between lines.
    std::string marked(Model::PageId id = 1)
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
    /// Puts a text in the page with the caret at its "|" or the selection in its "[...]",
    /// and gives the page the focus.
    void setMarked(const std::string &text, Model::PageId id = 1)
    {
        const QString marks = QString::fromStdString(text);
        const qsizetype open = marks.indexOf('['), close = marks.indexOf(']') - 1;
        page(id)->setPlainText(QString(marks).remove('|').remove('[').remove(']'));
        QTextCursor cursor = page(id)->textCursor();
        cursor.setPosition(static_cast<int>(open >= 0 ? open : marks.indexOf('|')));
        if (open >= 0)
            cursor.setPosition(static_cast<int>(close), QTextCursor::KeepAnchor);
        page(id)->setTextCursor(cursor);
        page(id)->setFocus();
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

    TempDir home;
    ScriptedDialogs dialogs;
    Editor::PageEditor editor { dialogs, home.path() };
};

} // namespace

TEST_F(PageEditor, KeyboardOrder_TextCloseToggleHelp)
{
    for (const char *next : { "BitBtn1", "BitBtn2", "BitBtn8", "memo1" }) {
        press(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), next);
    }
}

TEST_F(PageEditor, Toggle_HidesExactlyTheTwelveAdvancedToolsInTheirPlacesAndTwiceBringsThemBack)
{
    const auto shownTools = [&] {
        std::string shown;
        for (const Editor::ToolInfo &tool : Editor::Tools) {
            auto *button = control<QToolButton>(tool.buttonName);
            if (button->isVisible()) {
                EXPECT_EQ(
                    button->mapTo(&editor, QPoint()), QPoint(tool.place.left, tool.place.top));
                shown += tool.set == Editor::ToolSet::Basic ? 'b' : 'a';
            }
        }
        return shown;
    };
    auto *toggle = control<QPushButton>("BitBtn2");
    EXPECT_EQ(shownTools().size(), 38u);
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(toggle->text(), "&Show All Tools");
    EXPECT_EQ(shownTools(), std::string(26, 'b'));
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(toggle->text(), "&Show Basic Tools Only");
    EXPECT_EQ(shownTools().size(), 38u);
}

TEST_F(PageEditor, QuickInsertMenu_EntriesInToolOrderWithSeparatorsBetweenGroups)
{
    QStringList entries;
    for (QAction *item : control<QMenu>("QuickInsert1")->actions())
        entries << (item->isSeparator() ? "-" : item->text() + ' ' + item->shortcut().toString());
    EXPECT_EQ(entries.join(','),
        "Bold Text Ctrl+F1,Italic Text Ctrl+F2,Underlined Text Ctrl+F3,-,"
        "Paragraph Ctrl+F4,-,Link Ctrl+F5,E-mail Link Ctrl+F6,-,"
        "Image Ctrl+F7,-,Color Text Ctrl+F8,Heading Ctrl+F9,"
        "List Ctrl+F10");
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
        { Qt::Key_F1, { "x" }, "<b>x</b>|" },
        { Qt::Key_F2, { "x" }, "<i>x</i>|" },
        { Qt::Key_F3, { "x" }, "<u>x</u>|" },
        { Qt::Key_F4, {}, "<p>\n|\n</p>\n" },
        { Qt::Key_F5, { "a.html", "A" }, "<a href=\"a.html\">A</a>|" },
        { Qt::Key_F6, { "me@home.example", "Mail" },
            "<a href=\"mailto:me@home.example\">Mail</a>|" },
        { Qt::Key_F7, { "dog.gif", "Dog" }, "<img src=\"dog.gif\" alt=\"Dog\">|" },
        { Qt::Key_F8, { "red", "Sale" }, "<font color=\"red\">Sale</font>|" },
        { Qt::Key_F9, { "7", "2", "Hi" }, "<h2>Hi</h2>|" },
        { Qt::Key_F10, { "2", "A", "" }, "<ul>\n     <li>A\n     <li>\n</ul>\n|" },
    };
    for (const bool basic : { false, true }) {
        if (basic)
            editor.toggleAdvancedTools();
        for (const Entry &entry : entries) {
            setMarked("|");
            answer(entry.answers);
            press(entry.key, Qt::ControlModifier);
            EXPECT_EQ(marked(), entry.result) << (basic ? "basic " : "all ") << entry.key;
            EXPECT_EQ(QApplication::focusWidget(), page());
        }
    }
}

TEST_F(PageEditor, ToolboxButtons_RunOnTheShownTextAndLeaveTheFocusAndSelectionThere)
{
    struct Click
    {
        const char *button;
        std::string before;
        Strings answers;
        std::string after;
    };
    const Click clicks[] = {
        { "SpeedButton4", "x[old]y", { "new" }, "x<s>new</s>|y" },
        { "SpeedButton1", "x[old]y", { "" }, "x[old]y" },
        { "SpeedButton8", "A|B", {}, "<p align=\"left\">\n|\n</p>\nAB" },
        { "SpeedButton25", "|", {}, "&amp;|" },
        { "SpeedButton38", "|end", { "1", "1" },
            "<table border=\"1\" cellpadding=\"1\" cellspacing=\"1\" bordercolor=\"black\">\n"
            "   <tr>\n       <td>\n       </td>\n   </tr>\n</table>\n|end" },
        { "SpeedButton35", "|", {}, "<form name=\"\" action=\"\" method=\"post\">\n|\n</form>\n" },
    };
    editor.selectPage(6);
    for (const Click &click : clicks) {
        setMarked(click.before, 6);
        answer(click.answers);
        clickTool(click.button);
        EXPECT_EQ(marked(6), click.after) << click.button;
        EXPECT_EQ(QApplication::focusWidget(), page(6)) << click.button;
    }
    EXPECT_EQ(page(1)->toPlainText(), "");
}

TEST_F(PageEditor, Enter_WritesBreakTagThenStartsTheNewLine_PastedTextGetsNone)
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
    EXPECT_EQ(editor.pageText(1), "a<br>\r\n");

    QGuiApplication::clipboard()->setText("one\ntwo");
    setMarked("|");
    action("Paste1")->trigger();
    EXPECT_EQ(marked(), "one\ntwo|");
}

TEST_F(PageEditor, Undo_TakesBackTypingEachToolInsertionAndEachEnterAsOneStep)
{
    type("ab");
    answer({ "x" });
    clickTool("SpeedButton1");
    EXPECT_EQ(marked(), "ab<b>x</b>|");
    EXPECT_TRUE(action("Undo1")->isEnabled());
    press(Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(marked(), "ab|");
    press(Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(marked(), "|");

    setMarked("Hi|");
    press(Qt::Key_Return);
    press(Qt::Key_Return);
    action("Undo1")->trigger();
    EXPECT_EQ(marked(), "Hi<br>\n|");
    action("Undo1")->trigger();
    EXPECT_EQ(marked(), "Hi|");
}

TEST_F(PageEditor, Delete_RemovesTheSelectionOrOneCharacter)
{
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
    for (const char *name : { "Cut1", "Copy1", "Paste1", "SelectAll1", "Delete1" })
        EXPECT_TRUE(action(name)->isEnabled()) << name;
    control<QPushButton>("BitBtn1")->setFocus();
    for (const char *name : { "Undo1", "Cut1", "Copy1", "Paste1", "SelectAll1", "Delete1" })
        EXPECT_FALSE(action(name)->isEnabled()) << name;
    setMarked("|");
    EXPECT_FALSE(action("SelectAll1")->isEnabled());
}

TEST_F(PageEditor, RightClick_SameMenuOverTheToolboxAndOverTheText)
{
    auto *menu = control<QMenu>("PopupMenu1");
    for (QWidget *where : { static_cast<QWidget *>(control<QFrame>("Panel2")),
             static_cast<QWidget *>(control<QToolButton>("SpeedButton5")), page()->viewport() }) {
        QContextMenuEvent event(
            QContextMenuEvent::Mouse, QPoint(5, 5), where->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(where, &event);
        EXPECT_TRUE(menu->isVisible());
        menu->hide();
    }
}

TEST_F(PageEditor, PlaceCaret_ScrollsTheCaretIntoView)
{
    std::string body;
    for (int line = 0; line < 300; ++line)
        body += "line " + std::to_string(line) + "\r\n";
    editor.setPageText(1, body);
    page()->placeCaret(250, 2);
    EXPECT_EQ(page()->caretColumn(), 2);
    EXPECT_TRUE(page()->viewport()->rect().contains(page()->cursorRect()));
}

TEST_F(PageEditor, Texts_KeepWindows1252AndCrLfAndTurnOtherCharactersIntoReferences)
{
    const std::string body = "caf\xE9 \x80 a\xA0"
                             "b\r\n\r\nlast";
    editor.setPageText(3, body);
    EXPECT_EQ(editor.pageText(3), body);
    EXPECT_EQ(page(3)->document()->toRawText(),
        QString::fromUtf8("caf\u00E9 \u20AC a\u00A0b\u2029\u2029last"));

    setMarked("|");
    page()->insertPlainText(QString::fromUtf8("\u4E2D!"));
    EXPECT_EQ(editor.pageText(1), "&#20013;!");
    EXPECT_EQ(editor.pageText(2), "");
}

TEST_F(PageEditor, BrowsedFiles_AreCopiedBesideTheProjectAndReferredToByRelativePath)
{
    TempDir elsewhere;
    std::filesystem::create_directories(home.file("site/pics"));
    editor.setProjectFileSource([this] { return home.file("site/my site.cvp"); });
    writeBytes(elsewhere.file("dog.png"), "a dog");
    writeBytes(elsewhere.file("price list.pdf"), "prices");
    writeBytes(home.file("site/pics/cat.gif"), "a cat");

    setMarked("|");
    answer({ elsewhere.file("dog.png"), "My dog" });
    clickTool("SpeedButton13");
    EXPECT_EQ(dialogs.asked().front().fileDialog.title, "Browse");
    answer({ elsewhere.file("price list.pdf"), "Prices" });
    clickTool("SpeedButton10");
    answer({ home.file("site/pics/cat.gif"), "" });
    clickTool("SpeedButton13");
    EXPECT_EQ(marked(),
        "<img src=\"images/dog.png\" alt=\"My dog\"><a href=\"files/price list.pdf\">Prices</a>"
        "<img src=\"pics/cat.gif\" alt=\"\">|");
    EXPECT_EQ(readBytes(home.file("site/images/dog.png")), "a dog");
    EXPECT_EQ(readBytes(home.file("site/files/price list.pdf")), "prices");
    EXPECT_FALSE(std::filesystem::exists(home.file("site/images/cat.gif")));

    // The same file again is used as it is; a different one of that name only when allowed.
    setMarked("|");
    answer({ elsewhere.file("dog.png"), "" });
    clickTool("SpeedButton13");
    EXPECT_TRUE(dialogs.notices().empty());
    writeBytes(elsewhere.file("dog.png"), "another dog");
    dialogs.answerText(elsewhere.file("dog.png"));
    dialogs.answerConfirm(false);
    clickTool("SpeedButton13");
    EXPECT_EQ(readBytes(home.file("site/images/dog.png")), "a dog");
    EXPECT_EQ(dialogs.asked().back().message.text,
        "A different file called dog.png is already in the images folder of your project.\n"
        "Do you want to replace it?");
    dialogs.answerText(elsewhere.file("dog.png"));
    dialogs.answerConfirm(true);
    dialogs.answerText("Other");
    clickTool("SpeedButton13");
    EXPECT_EQ(readBytes(home.file("site/images/dog.png")), "another dog");
    EXPECT_EQ(marked(),
        "<img src=\"images/dog.png\" alt=\"\"><img src=\"images/dog.png\" alt=\"Other\">|");
}

TEST_F(PageEditor, DroppedFiles_AreCopiedAndTheirMarkupGoesInAtTheDropPoint)
{
    TempDir elsewhere;
    editor.setProjectFileSource([this] { return home.file("site.cvp"); });
    writeBytes(elsewhere.file("logo.PNG"), "logo");
    writeBytes(elsewhere.file("notes.txt"), "notes");
    setMarked("first line|\nsecond line");

    QMimeData files;
    files.setUrls({ QUrl::fromLocalFile(QString::fromStdString(elsewhere.file("logo.PNG"))),
        QUrl::fromLocalFile(QString::fromStdString(elsewhere.file("notes.txt"))) });
    QTextCursor secondLine(page()->document()->findBlockByNumber(1));
    secondLine.setPosition(secondLine.position() + 7);
    const QPointF at = page()->cursorRect(secondLine).center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(page()->viewport(), &enter);
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(page()->viewport(), &move);
    QDropEvent drop(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(page()->viewport(), &drop);

    EXPECT_EQ(marked(),
        "first line\nsecond <img src=\"images/logo.PNG\" alt=\"logo\">"
        "<a href=\"files/notes.txt\">notes.txt</a>|line");
    EXPECT_EQ(readBytes(home.file("images/logo.PNG")), "logo");
    EXPECT_EQ(readBytes(home.file("files/notes.txt")), "notes");
}

TEST_F(PageEditor, WordWrap_OnByDefaultShowsOnlyAndIsRememberedWhenToggled)
{
    QSettings("corvanta", "editor").remove("wordWrap");
    Editor::PageEditor fresh(dialogs, home.path());
    EXPECT_TRUE(fresh.wordWrap());
    const std::string body = std::string(3000, 'w') + " x\r\nend";
    fresh.setPageText(2, body);
    fresh.pageControl(2)->resize(300, 200);
    EXPECT_EQ(fresh.pageControl(2)->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(fresh.pageText(2), body);

    fresh.findChild<QAction *>("WordWrap1")->trigger();
    EXPECT_EQ(fresh.pageControl(2)->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(fresh.pageText(2), body);
    EXPECT_FALSE(Editor::PageEditor(dialogs, home.path()).wordWrap());
    fresh.setWordWrap(true);
    EXPECT_TRUE(Editor::PageEditor(dialogs, home.path()).wordWrap());
}

TEST_F(PageEditor, Opening_ShowsThePageWithItsCaptionAndKeepsTextsCaretsAndScrolling)
{
    editor.hide();
    std::string rows;
    for (int row = 0; row < 200; ++row)
        rows += "row\r\n";
    editor.setPageText(14, rows);
    QStringList seen;
    // Each opening runs until the user closes the window; meanwhile the user acts.
    const auto openAndDo = [&](Model::PageId id, const std::function<void()> &act) {
        QTimer::singleShot(0, &editor, [&, act] {
            seen << editor.windowTitle();
            EXPECT_TRUE(editor.pageControl(id)->isVisible());
            act();
            QTest::mouseClick(control<QPushButton>("BitBtn1"), Qt::LeftButton);
        });
        editor.openOnPage(id);
        EXPECT_FALSE(editor.isVisible());
    };
    openAndDo(1, [&] { setMarked("Hi| there"); });
    openAndDo(14, [&] { page(14)->placeCaret(150, 0); });
    const int scrolled = page(14)->verticalScrollBar()->value();
    openAndDo(6, [] {});
    openAndDo(1, [] {});
    openAndDo(14, [] {});

    EXPECT_EQ(seen.join(',').toStdString(),
        "Editing Page - Home,Editing Page - Jobs,"
        "Editing Page - FAQ,Editing Page - Home,"
        "Editing Page - Jobs");
    EXPECT_EQ(marked(1), "Hi| there");
    EXPECT_EQ(page(14)->caretLine(), 150);
    EXPECT_GT(scrolled, 0);
    EXPECT_EQ(page(14)->verticalScrollBar()->value(), scrolled);
}

namespace {

/// A line of `length` characters without spaces, so that its pieces are full ones.
std::string lineWithoutSpaces(int length)
{
    std::string line;
    for (int at = 0; at < length; ++at)
        line += static_cast<char>('a' + at % 26);
    return line;
}

/// Whether a long text is the expected one; a failure names the first difference only.
testing::AssertionResult sameText(const std::string &actual, const std::string &expected)
{
    if (actual == expected)
        return testing::AssertionSuccess();
    const auto at
        = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first
        - actual.begin();
    return testing::AssertionFailure() << "at " << at << ": \"" << actual.substr(at, 20)
                                       << "\" instead of \"" << expected.substr(at, 20) << "\"";
}

} // namespace

TEST_F(PageEditor, LongLines_AreShownInPiecesAndComeBackByteForByte)
{
    const int piece = PageText::PieceLength;
    std::string words;
    while (words.size() < 4 * static_cast<std::size_t>(piece))
        words += "<b>w\xE9rds</b>\xA0"
                 "and more ";
    // A lone line feed becomes CR LF after a long line as after any other.
    const std::string body
        = "first\r\n" + lineWithoutSpaces(2 * piece + 1) + "\r\n\r\n" + words + "\nlast\x80\r\n";
    editor.setPageText(1, body);
    std::string expected = body;
    EXPECT_TRUE(sameText(editor.pageText(1), expected.replace(expected.find("\nlast"), 1, "\r\n")));

    // first, three pieces, the empty line, four pieces or more, last and the empty last line.
    EXPECT_GE(page()->document()->blockCount(), 11);
    for (QTextBlock block = page()->document()->begin(); block.isValid(); block = block.next())
        EXPECT_LE(block.length() - 1, piece);
}

TEST_F(PageEditor, LongLines_EditAcrossAPieceBreakAsBetweenAnyTwoCharacters)
{
    // Block 0 is "top", blocks 1 to 5 the five full pieces of line 1.
    const int piece = PageText::PieceLength;
    const std::string line = lineWithoutSpaces(5 * piece);
    const std::string body = "top\r\n" + line;
    const auto edited = [&](int at, int length, const std::string &put) {
        return "top\r\n" + std::string(line).replace(at, length, put);
    };
    // Keys with the caret at the start of the second piece or at the end of the first; Enter
    // is a real line break.
    const struct
    {
        bool inSecondPiece;
        Qt::Key key;
        const char *typed;
        std::string expected;
    } stories[] = {
        { true, Qt::Key_Backspace, "", edited(piece - 1, 1, "") },
        { false, Qt::Key_Delete, "", edited(piece, 1, "") },
        { true, Qt::Key_Left, "L", edited(piece - 1, 0, "L") },
        { false, Qt::Key_Right, "R", edited(piece + 1, 0, "R") },
        { true, Qt::Key_Return, "", edited(piece, 0, "<br>\r\n") },
    };
    for (const auto &story : stories) {
        editor.setPageText(1, body);
        QTextCursor caret(page()->document()->findBlockByNumber(story.inSecondPiece ? 2 : 1));
        caret.movePosition(
            story.inSecondPiece ? QTextCursor::StartOfBlock : QTextCursor::EndOfBlock);
        page()->setTextCursor(caret);
        press(story.key);
        type(story.typed);
        EXPECT_TRUE(sameText(editor.pageText(1), story.expected)) << story.key;
    }

    // A selection over the break: its text, the clipboard, Delete, Undo and Redo.
    editor.setPageText(1, body);
    page()->placeCaret(1, piece - 2);
    for (int key = 0; key < 4; ++key)
        press(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(page()->selectedText(), line.substr(piece - 2, 4));
    action("Copy1")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), line.substr(piece - 2, 4));
    action("Delete1")->trigger();
    EXPECT_TRUE(sameText(editor.pageText(1), edited(piece - 2, 4, "")));
    action("Undo1")->trigger();
    EXPECT_TRUE(sameText(editor.pageText(1), body));
    page()->redo();
    EXPECT_TRUE(sameText(editor.pageText(1), edited(piece - 2, 4, "")));

    // Pasted lines break for real, and a long one goes in as pieces that never end inside a
    // character: after "x" every full piece would end inside a surrogate pair.
    editor.setPageText(1, body);
    page()->placeCaret(1, 4 * piece + 200);
    QString faces = QStringLiteral("x\nx");
    std::string references = "x\r\nx";
    for (int face = 0; face < piece; ++face) {
        faces += QString::fromUtf8("\U0001F600");
        references += "&#128512;";
    }
    QGuiApplication::clipboard()->setText(faces);
    action("Paste1")->trigger();
    EXPECT_TRUE(sameText(editor.pageText(1), edited(4 * piece + 200, 0, references)));
    EXPECT_EQ(page()->caretLine(), 2);
    EXPECT_EQ(page()->caretColumn(), 1 + 2 * piece);
    for (QTextBlock block = page()->document()->begin(); block.isValid(); block = block.next())
        EXPECT_FALSE(block.text().endsWith(QChar(0xD83D))) << block.blockNumber();

    // A tool's lines go above the whole line; joining the lines keeps the pieces one line.
    editor.setPageText(1, body);
    page()->placeCaret(1, piece + 800);
    clickTool("SpeedButton5");
    EXPECT_TRUE(sameText(editor.pageText(1), "top\r\n<p>\r\n\r\n</p>\r\n" + line));
    EXPECT_EQ(page()->caretLine(), 2);
    page()->placeCaret(4, 0);
    press(Qt::Key_Backspace);
    EXPECT_TRUE(sameText(editor.pageText(1), "top\r\n<p>\r\n\r\n</p>" + line));
}

TEST_F(PageEditor, TextTakenInAMoment_FollowsEveryEditAndKeepsTheTextOfItsMoment)
{
    // Lines of every length, some broken into pieces, over many chunks of the text's copy.
    const int piece = PageText::PieceLength;
    std::string body;
    for (int line = 0; line < 60; ++line)
        body += (line % 9 == 4 ? lineWithoutSpaces(2 * piece + 300) : lineWithoutSpaces(40 + line))
            + "\r\n";
    editor.setPageText(1, body);
    std::mt19937 random(1664);
    const auto anywhere = [&] {
        return static_cast<int>(
            random() % static_cast<unsigned>(page()->document()->characterCount()));
    };
    std::vector<std::pair<std::shared_ptr<const Model::BodyText>, std::string>> taken;
    for (int step = 0; step < 400; ++step) {
        QTextCursor cursor = page()->textCursor();
        cursor.setPosition(anywhere());
        if (random() % 3 == 0)
            cursor.setPosition(anywhere(), QTextCursor::KeepAnchor);
        page()->setTextCursor(cursor);
        switch (random() % 6) {
        case 0: // keys, Enter among them: in a piece it ends the line for real
            type(QStringLiteral("ab"));
            page()->insertPlainText(QStringLiteral("\u00E9\u4E2D"));
            press(random() % 2 == 0 ? Qt::Key_Return : Qt::Key_Backspace);
            break;
        case 1: // a tool's or a paste's lines, a long one among them
            page()->replaceSelection("<p>\r\n" + lineWithoutSpaces(piece + 10) + "\nend");
            break;
        case 2:
            press(Qt::Key_Delete);
            break;
        case 3:
            page()->undo();
            break;
        case 4:
            page()->redo();
            break;
        default: // a tool's line above the caret's whole line
            page()->insertLineAboveCaret("<hr>");
        }
        ASSERT_TRUE(sameText(page()->bodyNow()->bytes(), page()->body())) << "step " << step;
        if (step % 40 == 0)
            taken.emplace_back(page()->bodyNow(), page()->body());
    }
    for (const auto &[text, then] : taken)
        EXPECT_TRUE(sameText(text->bytes(), then));
    editor.setPageText(1, {});
    EXPECT_EQ(page()->bodyNow()->bytes(), "");
}
