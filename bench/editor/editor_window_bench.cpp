// The page editor window on large texts, on Qt's offscreen platform (or a real display when
// QT_QPA_PLATFORM says so): the largest table into a real page text, a project with 5 MB
// page bodies opened, typed in and scrolled, and a body of one 50 MB line opened, typed in,
// scrolled and closed. Every step includes the painting it causes.

#include "app/editorpublishlinks.h"
#include "app/mainwindow.h"
#include "app/sessionguard.h"
#include "editor/markuptools.h"
#include "editor/memorytext.h"
#include "editor/pageeditor.h"
#include "editor/pagetext.h"
#include "project/projectfiles.h"
#include "project/recoverystore.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include "bench/editor/benchdialogs.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>

namespace {

/// `lineCount` ordinary lines of a page body, CR LF between them.
std::string bodyOfLines(int lineCount)
{
    std::string body;
    for (int line = 0; line < lineCount; ++line) {
        if (line > 0)
            body += "\r\n";
        body += "<p>Line " + std::to_string(line) + " of a long page body, with some words.</p>";
    }
    return body;
}

/// A body of about `bytes` bytes in lines like those above.
std::string bodyOfSize(std::size_t bytes)
{
    std::string body;
    for (int line = 0; body.size() < bytes; ++line)
        body
            += "<p>Line " + std::to_string(line) + " of a long page body, with some words.</p>\r\n";
    return body;
}

/// The editor shown on Home, whose text holds `lineCount` lines, the caret in the middle.
struct ShownEditor
{
    explicit ShownEditor(int lineCount)
        : editor(dialogs, "/nonexistent")
        , body(bodyOfLines(lineCount))
    {
        editor.show();
        QApplication::processEvents();
        reset();
    }
    void reset()
    {
        editor.setPageText(1, body);
        page().placeCaret(page().document()->blockCount() / 2, 0);
    }
    Editor::PageText &page() { return *editor.pageControl(1); }

    BenchDialogs dialogs;
    Editor::PageEditor editor;
    std::string body;
};

// 10,000 rows of one column is the table with the most lines: 40,002.
void largestTableInRealText(benchmark::State &state)
{
    ShownEditor shown(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        shown.reset();
        BenchDialogs answers({ "10000", "1" });
        state.ResumeTiming();
        Editor::runTool(Editor::ToolId::InsertTable, shown.page(), answers);
        QApplication::processEvents();
    }
}

// The same 40,002 lines put into the text in one piece, as a paste does.
void sameLinesInOnePieceInRealText(benchmark::State &state)
{
    ShownEditor shown(static_cast<int>(state.range(0)));
    Editor::MemoryText table;
    BenchDialogs answers({ "10000", "1" });
    Editor::runTool(Editor::ToolId::InsertTable, table, answers);
    const QString block = QString::fromStdString(table.text()) + QStringLiteral("\n");
    for (auto _ : state) {
        state.PauseTiming();
        shown.reset();
        state.ResumeTiming();
        shown.page().insertPlainText(block);
        QApplication::processEvents();
    }
}

/// A project on disk whose first `pages` bodies are `body`, by default all fourteen 5 MB.
struct LargeProject
{
    explicit LargeProject(
        const std::string &body = bodyOfSize(5 << 20), int pages = Model::PageCount)
    {
        char pattern[] = "/tmp/corvanta-bench-XXXXXX";
        directory = ::mkdtemp(pattern);
        Model::ChoiceLists lists;
        Model::Project project = Model::DefaultProject(lists);
        for (int page = 0; page < pages; ++page)
            project.pageBody[static_cast<std::size_t>(page)] = body;
        Model::WriteProjectFiles(project, file());
    }
    ~LargeProject() { std::filesystem::remove_all(directory); }
    std::string file() const { return directory + "/large.cvp"; }

    std::string directory;
};

/// The program's main window with the real page editor plugged in and its unsaved work
/// guarded, as at start-up.
struct Program
{
    explicit Program(const std::string &projectFile)
        : dialogs({}, projectFile)
        , session(App::programChoiceLists("/nonexistent"))
        , mainWindow(dialogs, session, "/nonexistent")
        , pageEditor(dialogs, "/nonexistent")
        , recovery(static_cast<int>(::getpid()))
        , guard(session, mainWindow, recovery)
    {
        App::plugInPageEditor(session, pageEditor);
        App::CompanionWindows windows;
        windows.openPageEditor = [this](Model::PageId page) { pageEditor.openOnPage(page); };
        mainWindow.setCompanionWindows(std::move(windows));
    }
    ~Program()
    {
        guard.programEnds();
        session.attachBodyEditor(nullptr);
    }

    BenchDialogs dialogs;
    Model::ProjectSession session;
    App::MainWindow mainWindow;
    Editor::PageEditor pageEditor;
    Model::RecoveryStore recovery;
    App::SessionGuard guard;
};

// Open Project: the project file, then 70 MB of bodies into the editor's fourteen texts.
void openProjectWith5MBBodies(benchmark::State &state)
{
    const LargeProject large;
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<Program>(large.file());
        state.ResumeTiming();
        program->mainWindow.openProject();
        QApplication::processEvents();
        state.PauseTiming();
        if (program->pageEditor.pageText(14).size() < (5u << 20))
            state.SkipWithError("the bodies did not arrive in the editor");
        program.reset();
        state.ResumeTiming();
    }
}

// Open Project, then every page shown once: the cost that filling all texts at Open had.
void openProjectThenShowEveryPage(benchmark::State &state)
{
    const LargeProject large;
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<Program>(large.file());
        state.ResumeTiming();
        program->mainWindow.openProject();
        for (Model::PageId page = 1; page <= Model::PageCount; ++page)
            program->pageEditor.pageControl(page);
        QApplication::processEvents();
        state.PauseTiming();
        program.reset();
        state.ResumeTiming();
    }
}

/// The editor shown on a 5 MB body (one of a whole 5 MB project), the caret in its middle.
struct LargeTextShown
{
    LargeTextShown()
        : program(large.file())
    {
        program.mainWindow.openProject();
        program.pageEditor.selectPage(1);
        program.pageEditor.show();
        program.pageEditor.activateWindow();
        QApplication::processEvents();
        page().placeCaret(page().document()->blockCount() / 2, 10);
    }
    Editor::PageText &page() { return *program.pageEditor.pageControl(1); }

    LargeProject large;
    Program program;
};

// One typed character, painted.
void typeIn5MBText(benchmark::State &state)
{
    LargeTextShown shown;
    for (auto _ : state) {
        QTest::keyClick(&shown.page(), Qt::Key_A);
        shown.page().viewport()->repaint();
    }
}

// Enter, with its "<br>" that is not undoable, painted.
void enterIn5MBText(benchmark::State &state)
{
    LargeTextShown shown;
    for (auto _ : state) {
        QTest::keyClick(&shown.page(), Qt::Key_Return);
        shown.page().viewport()->repaint();
    }
}

// One page on along the scroll bar, painted; at the end it starts again from the top.
void pageOnAndPaint(QScrollBar *bar, QWidget *viewport)
{
    if (bar->value() == bar->maximum())
        bar->setValue(0);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    viewport->repaint();
}

// One page down, painted; at the end it starts again from the top.
void pageDownIn5MBText(benchmark::State &state)
{
    LargeTextShown shown;
    QScrollBar *bar = shown.page().verticalScrollBar();
    bar->setValue(0);
    for (auto _ : state)
        pageOnAndPaint(bar, shown.page().viewport());
}

// Dragging the scroll bar from one end to the other, painted.
void jumpEndToEndIn5MBText(benchmark::State &state)
{
    LargeTextShown shown;
    QScrollBar *bar = shown.page().verticalScrollBar();
    for (auto _ : state) {
        bar->setValue(bar->value() == bar->maximum() ? 0 : bar->maximum());
        shown.page().viewport()->repaint();
    }
}

/// One line of 50 MB: words and tags, no line break.
std::string oneLine50MB()
{
    std::string line;
    line.reserve(50u << 20);
    while (line.size() < (50u << 20))
        line += "<b>one endless paragraph</b> with words and no line break ";
    return line;
}

/// The editor holding a body of one 50 MB line, as a project with such a page has it after
/// Open; `wrap` says whether long lines wrap.
struct OneLongLine
{
    explicit OneLongLine(bool wrap)
        : editor(dialogs, "/nonexistent")
    {
        editor.setWordWrap(wrap);
        editor.setPageText(1, oneLine50MB());
    }
    Editor::PageText &page() { return *editor.pageControl(1); }

    BenchDialogs dialogs;
    Editor::PageEditor editor;
};

// Showing the editor on the 50 MB line: the text filled, laid out and painted.
void showOneLine50MB(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto shown = std::make_unique<OneLongLine>(state.range(0) != 0);
        state.ResumeTiming();
        shown->editor.show();
        QApplication::processEvents();
        shown->page().viewport()->repaint();
        state.PauseTiming();
        shown.reset();
        state.ResumeTiming();
    }
}

// The whole story: Open Project on a project whose Home body is one 50 MB line, then the
// editor opened on Home and painted.
void openProjectAndShowOneLine50MB(benchmark::State &state)
{
    const LargeProject large(oneLine50MB(), 1);
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<Program>(large.file());
        program->pageEditor.setWordWrap(state.range(0) != 0);
        state.ResumeTiming();
        program->mainWindow.openProject();
        program->pageEditor.selectPage(1);
        program->pageEditor.show();
        QApplication::processEvents();
        program->pageEditor.pageControl(1)->viewport()->repaint();
        state.PauseTiming();
        program.reset();
        state.ResumeTiming();
    }
}

/// The editor shown on the 50 MB line, the caret near its start.
struct OneLongLineShown : OneLongLine
{
    explicit OneLongLineShown(bool wrap)
        : OneLongLine(wrap)
    {
        editor.show();
        editor.activateWindow();
        QApplication::processEvents();
        page().placeCaret(0, 100);
    }
};

// One typed character in the 50 MB line, painted.
void typeInOneLine50MB(benchmark::State &state)
{
    OneLongLineShown shown(state.range(0) != 0);
    for (auto _ : state) {
        QTest::keyClick(&shown.page(), Qt::Key_A);
        shown.page().viewport()->repaint();
    }
}

// Scrolling through the 50 MB line by a page (down when wrapped, right when not), painted.
void scrollOneLine50MB(benchmark::State &state)
{
    OneLongLineShown shown(state.range(0) != 0);
    QScrollBar *bar = state.range(0) != 0 ? shown.page().verticalScrollBar()
                                          : shown.page().horizontalScrollBar();
    for (auto _ : state)
        pageOnAndPaint(bar, shown.page().viewport());
}

// "&Close" on the editor showing the 50 MB line.
void closeOnOneLine50MB(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto shown = std::make_unique<OneLongLineShown>(state.range(0) != 0);
        state.ResumeTiming();
        shown->editor.closeEditor();
        QApplication::processEvents();
        state.PauseTiming();
        shown.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(largestTableInRealText)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(sameLinesInOnePieceInRealText)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(openProjectWith5MBBodies)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(openProjectThenShowEveryPage)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(typeIn5MBText)->Unit(benchmark::kMillisecond);
BENCHMARK(enterIn5MBText)->Unit(benchmark::kMillisecond);
BENCHMARK(pageDownIn5MBText)->Unit(benchmark::kMillisecond);
BENCHMARK(jumpEndToEndIn5MBText)->Unit(benchmark::kMillisecond);
// Argument: 1 with word wrap (the default), 0 without.
BENCHMARK(showOneLine50MB)->Arg(1)->Arg(0)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(openProjectAndShowOneLine50MB)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(typeInOneLine50MB)->Arg(1)->Arg(0)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(scrollOneLine50MB)->Arg(1)->Arg(0)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(closeOnOneLine50MB)->Arg(1)->Arg(0)->Iterations(2)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Recovery snapshots of the benchmarks' typing go to a folder of their own.
    const std::filesystem::path state
        = std::filesystem::temp_directory_path() / ("corvanta-bench-" + std::to_string(::getpid()));
    ::setenv("XDG_STATE_HOME", state.c_str(), 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(state);
    return 0;
}
