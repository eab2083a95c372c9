// The page editor's live preview with the real browser module, on Qt's offscreen platform (or
// a real display when QT_QPA_PLATFORM says so): the pane's first show, the update after a
// pause in typing for a 10 KB and a 5 MB page, and a key typed into a 5 MB text while the
// pane is shown. Times are from the user's action to the page shown in the browser.

#include "editor/pageeditor.h"
#include "editor/pagetext.h"
#include "editor/previewpane.h"
#include "project/projectsession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include "bench/editor/benchdialogs.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <string>

namespace {

/// A body of about `bytes` bytes of ordinary paragraphs.
std::string bodyOfSize(std::size_t bytes)
{
    std::string body;
    for (int line = 0; body.size() < bytes; ++line)
        body
            += "<p>Line " + std::to_string(line) + " of a long page body, with some words.</p>\r\n";
    return body;
}

/// The page editor on a project of the Classic template, its live preview shown.
struct PreviewedEditor
{
    explicit PreviewedEditor(const std::string &body)
        : editor(dialogs, CORVANTA_DATA_DIR)
    {
        session.fields().templateName = 0;
        session.attachBodyEditor(&editor);
        editor.attachLivePreview(session, { QStringLiteral(CORVANTA_PREVIEW_MODULE) });
        editor.setPageText(1, body);
        editor.resize(1200, 700);
        editor.setLivePreviewShown(true);
    }
    ~PreviewedEditor() { session.attachBodyEditor(nullptr); }
    /// Waits until the browser shows the project as it is now; false after 30 s.
    bool waitShown() const
    {
        // The program's own event loop runs meanwhile, as it does for the person typing.
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (editor.previewPane()->upToDate())
                loop.quit();
        });
        poll.start(1);
        QTimer::singleShot(30000, &loop, [&] { loop.exit(1); });
        return loop.exec() == 0;
    }
    Editor::PageText &text() { return *editor.pageControl(1); }

    Model::ChoiceLists lists { { "Classic" }, { "Arial" } };
    BenchDialogs dialogs;
    Model::ProjectSession session { lists };
    Editor::PageEditor editor;
};

void seconds(benchmark::State &state, const QElapsedTimer &clock)
{
    state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
}

// The first show in the program's run: the module and Qt WebEngine load, the site is
// published and the page drawn.
void firstShow(benchmark::State &state)
{
    for (auto _ : state) {
        PreviewedEditor shown(bodyOfSize(10 << 10));
        QElapsedTimer clock;
        clock.start();
        shown.editor.show();
        if (!shown.waitShown())
            state.SkipWithError("no page shown");
        seconds(state, clock);
    }
}

// A key, then a pause: the time from the key to the new page shown (the pause included).
void updateAfterPause(benchmark::State &state)
{
    PreviewedEditor shown(bodyOfSize(static_cast<std::size_t>(state.range(0))));
    shown.editor.show();
    if (!shown.waitShown())
        state.SkipWithError("no page shown");
    shown.text().placeCaret(2, 3);
    shown.text().setFocus();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(&shown.text(), Qt::Key_A);
        if (!shown.waitShown())
            state.SkipWithError("no update shown");
        seconds(state, clock);
    }
}

// One key in a 5 MB text, until the text has drawn it: with the pane shown (1) and, for
// comparison in the same run, without it (0).
void keyInLargeText(benchmark::State &state)
{
    PreviewedEditor shown(bodyOfSize(5 << 20));
    shown.editor.setLivePreviewShown(state.range(0) != 0);
    shown.editor.show();
    if (state.range(0) != 0 && !shown.waitShown())
        state.SkipWithError("no page shown");
    shown.text().placeCaret(30000, 3);
    shown.text().setFocus();
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(&shown.text(), Qt::Key_A);
        QApplication::processEvents();
        seconds(state, clock);
        state.PauseTiming();
        QTest::qWait(5); // keys as a fast typist presses them, inside the pause
        state.ResumeTiming();
    }
}

// What the window thread spends when a 5 MB page just typed in is taken whole as bytes, as
// saving and the publish window take it (the preview and recovery snapshots take it in a
// moment instead: see windowThreadStopAtPauseEnd).
void snapshotOnWindowThread(benchmark::State &state)
{
    PreviewedEditor shown(bodyOfSize(5 << 20));
    shown.editor.show();
    if (!shown.waitShown())
        state.SkipWithError("no page shown");
    for (auto _ : state) {
        QTest::keyClick(&shown.text(), Qt::Key_A);
        QElapsedTimer clock;
        clock.start();
        const Model::Project copy = shown.session.project();
        benchmark::DoNotOptimize(copy.pageBody[0].size());
        seconds(state, clock);
    }
}

/// The processor time the calling thread has used, in nanoseconds.
qint64 threadNanoseconds()
{
    timespec now {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<qint64>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The longest the window thread works in one go while a pause in typing on a 5 MB page ends
// and the page is taken for publishing: the longest a key typed then waits. A timer that
// fires whenever the window thread is free measures the largest stretch of the thread's own
// processor time between its turns, from a key until well after the pause has ended; time
// the thread spends waiting for a core on a busy machine is not counted.
void windowThreadStopAtPauseEnd(benchmark::State &state)
{
    PreviewedEditor shown(bodyOfSize(5 << 20));
    shown.editor.show();
    if (!shown.waitShown())
        state.SkipWithError("no page shown");
    shown.text().placeCaret(30000, 3);
    shown.text().setFocus();
    for (auto _ : state) {
        QTest::keyClick(&shown.text(), Qt::Key_A);
        QElapsedTimer clock;
        clock.start();
        qint64 lastTurn = threadNanoseconds();
        qint64 longest = 0;
        QEventLoop loop;
        QTimer turns;
        QObject::connect(&turns, &QTimer::timeout, &loop, [&] {
            const qint64 now = threadNanoseconds();
            longest = std::max(longest, now - lastTurn);
            lastTurn = now;
            if (clock.elapsed() > qint64(3) * Editor::PreviewPane::PauseMs)
                loop.quit();
        });
        turns.start(0);
        loop.exec();
        turns.stop();
        state.SetIterationTime(static_cast<double>(longest) / 1e9);
        state.PauseTiming();
        if (!shown.waitShown())
            state.SkipWithError("no update shown");
        state.ResumeTiming();
    }
}

} // namespace

// First: the engine's first show is measured only in a process that has not shown it yet.
BENCHMARK(firstShow)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(windowThreadStopAtPauseEnd)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(updateAfterPause)
    ->Arg(10 << 10)
    ->Arg(5 << 20)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(keyInLargeText)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(snapshotOnWindowThread)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
