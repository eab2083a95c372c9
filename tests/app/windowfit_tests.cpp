#include "app/mainwindow.h"
#include "app/programlists.h"
#include "catalogue/templateviewer.h"
#include "editor/pageeditor.h"
#include "publish/directorychooser.h"
#include "tests/support/everywindow.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempdir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStyle>
#include <QStyleFactory>
#include <QTabBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>

using namespace Testing;

namespace {

// Windows open where they were left; each story starts with nothing remembered.
void forgetWindowPlaces()
{
    QSettings(QStringLiteral("corvanta"), QStringLiteral("corvanta"))
        .remove(QStringLiteral("windows"));
}

// A dark Fusion palette as desktops with a dark theme hand it to Qt programs.
QPalette darkPalette()
{
    QPalette palette(QColor(53, 53, 53));
    palette.setColor(QPalette::WindowText, QColor(235, 235, 235));
    palette.setColor(QPalette::Base, QColor(35, 35, 35));
    palette.setColor(QPalette::AlternateBase, QColor(53, 53, 53));
    palette.setColor(QPalette::Text, QColor(235, 235, 235));
    palette.setColor(QPalette::Button, QColor(60, 60, 60));
    palette.setColor(QPalette::ButtonText, QColor(235, 235, 235));
    palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, QColor(100, 170, 240));
    for (const QPalette::ColorRole role :
        { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
    return palette;
}

// The text as drawn: "&" marks the shortcut letter and "&&" stands for one "&".
QString shownText(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    return text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

// Relative luminance and contrast ratio as the accessibility guidelines define them.
double luminance(const QColor &colour)
{
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF())
        + 0.0722 * channel(colour.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double lighter = std::max(luminance(a), luminance(b));
    const double darker = std::min(luminance(a), luminance(b));
    return (lighter + 0.05) / (darker + 0.05);
}

// The colour a control's text is drawn on: its own filled background, or that of the nearest
// widget around it that fills one (the window fills its own).
QColor backgroundBehind(const QWidget *control)
{
    for (const QWidget *widget = control; widget; widget = widget->parentWidget()) {
        if (widget->autoFillBackground() || widget->isWindow())
            return widget->palette().color(widget->backgroundRole());
    }
    return control->palette().color(QPalette::Window);
}

// The faults of one window: each text that does not fit what its control shows of it, and in
// the dark palette each text too faint against its background.
class WindowWalk
{
public:
    WindowWalk(const QWidget *window, bool checkContrast)
        : m_window(window)
        , m_checkContrast(checkContrast)
    { }

    std::vector<std::string> faults()
    {
        for (const QWidget *control : m_window->findChildren<QWidget *>()) {
            if (!control->isVisible())
                continue;
            if (const auto *label = qobject_cast<const QLabel *>(control))
                checkLabel(label);
            else if (const auto *button = qobject_cast<const QAbstractButton *>(control))
                checkButton(button);
            else if (const auto *bar = qobject_cast<const QTabBar *>(control))
                checkTabs(bar);
            else if (const auto *group = qobject_cast<const QGroupBox *>(control))
                checkGroupTitle(group);
        }
        return m_faults;
    }

private:
    void fault(const QWidget *control, const QString &text, const std::string &what)
    {
        m_faults.push_back(control->metaObject()->className() + std::string(" ")
            + control->objectName().toStdString() + " \"" + text.toStdString() + "\": " + what);
    }

    // Whether the whole of the control lies inside each widget around it, up to the window.
    void checkUncut(const QWidget *control, const QString &text)
    {
        QRect shown = control->rect();
        for (const QWidget *widget = control; !widget->isWindow();
             widget = widget->parentWidget()) {
            shown.translate(widget->pos());
            shown &= widget->parentWidget()->rect();
        }
        if (shown.size() != control->size())
            fault(control, text, "lies partly outside its window or panel");
    }

    void checkRoom(const QWidget *control, const QString &text, QSize needed, QSize room)
    {
        if (needed.width() > room.width())
            fault(control, text,
                "needs " + std::to_string(needed.width()) + " pixels across, has "
                    + std::to_string(room.width()));
        if (needed.height() > room.height())
            fault(control, text,
                "needs " + std::to_string(needed.height()) + " pixels down, has "
                    + std::to_string(room.height()));
        checkUncut(control, text);
    }

    void checkContrast(const QWidget *control, const QString &text, const QColor &foreground,
        const QColor &background)
    {
        if (!m_checkContrast || !control->isEnabled())
            return;
        const double ratio = contrast(foreground, background);
        if (ratio < 4.5)
            fault(control, text,
                "contrast " + std::to_string(ratio) + " of " + foreground.name().toStdString()
                    + " on " + background.name().toStdString());
    }

    // The ink of the lines of a text; wrapped texts are measured by the label itself.
    static QSize inkOf(const QFontMetrics &metrics, const QString &text)
    {
        const QStringList lines = text.split(QLatin1Char('\n'));
        int width = 0;
        for (const QString &line : lines)
            width = std::max(width, metrics.horizontalAdvance(line));
        const int ink
            = metrics.tightBoundingRect(text.isEmpty() ? QStringLiteral("X") : text).height();
        return { width, static_cast<int>(lines.size() - 1) * metrics.lineSpacing() + ink };
    }

    void checkLabel(const QLabel *label)
    {
        QString text = label->text();
        if (text.isEmpty() || label->textFormat() == Qt::RichText
            || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text)))
            return;
        if (label->buddy())
            text = shownText(text);
        const QFontMetrics metrics = label->fontMetrics();
        const int indent = label->indent() < 0
            ? (label->frameWidth() > 0 ? metrics.horizontalAdvance(QLatin1Char('x')) / 2 : 0)
            : label->indent();
        const QRect room = label->contentsRect().adjusted(
            label->margin(), label->margin(), -label->margin(), -label->margin());
        if (label->wordWrap()) {
            // Wrapping may add lines but never split a word.
            int longestWord = 0;
            for (const QString &word : text.split(QRegularExpression(QStringLiteral("\\s+"))))
                longestWord = std::max(longestWord, metrics.horizontalAdvance(word));
            checkRoom(label, text, { longestWord + indent, label->heightForWidth(label->width()) },
                { room.width(), label->height() });
        } else {
            checkRoom(label, text, inkOf(metrics, text) + QSize(indent, 0), room.size());
        }
        checkContrast(
            label, text, label->palette().color(label->foregroundRole()), backgroundBehind(label));
    }

    void checkButton(const QAbstractButton *button)
    {
        const auto *tool = qobject_cast<const QToolButton *>(button);
        const Qt::ToolButtonStyle shows
            = tool ? tool->toolButtonStyle() : Qt::ToolButtonTextBesideIcon;
        const QString text = shownText(button->text());
        if (text.isEmpty() || (tool && !button->icon().isNull() && shows == Qt::ToolButtonIconOnly))
            return;
        const QStyle *style = button->style();
        const QFontMetrics metrics = button->fontMetrics();
        QSize needed = inkOf(metrics, text);
        const bool picture = !button->icon().isNull() && shows != Qt::ToolButtonTextOnly;
        if (picture && shows == Qt::ToolButtonTextUnderIcon)
            needed = { std::max(needed.width(), button->iconSize().width()),
                needed.height() + button->iconSize().height() };
        else if (picture)
            needed += QSize(button->iconSize().width() + 4, 0);
        // Tick boxes and radio buttons draw their mark before the text.
        if (qobject_cast<const QCheckBox *>(button))
            needed += QSize(style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, button)
                    + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, button),
                0);
        if (qobject_cast<const QRadioButton *>(button))
            needed += QSize(style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, button)
                    + style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, button),
                0);
        // Push buttons draw their captions inside their frame, and so do tool buttons with a
        // picture (cutting the caption short with "..." where it does not fit); a tool button
        // with a caption alone draws it edge to edge.
        const auto *push = qobject_cast<const QPushButton *>(button);
        const int frame = push || (tool && picture)
            ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button)
            : 0;
        checkRoom(button, text, needed, button->size() - QSize(2 * frame, 2 * frame));
        const bool raised = push && !push->isFlat();
        checkContrast(button, text, button->palette().color(button->foregroundRole()),
            raised ? button->palette().color(QPalette::Button) : backgroundBehind(button));
    }

    void checkTabs(const QTabBar *bar)
    {
        const QFontMetrics metrics = bar->fontMetrics();
        for (int tab = 0; tab < bar->count(); ++tab) {
            const QString text = shownText(bar->tabText(tab));
            const QRect place = bar->tabRect(tab);
            checkRoom(bar, text, inkOf(metrics, text), place.size());
            if (!bar->rect().contains(place))
                fault(bar, text, "tab lies outside its bar");
            const QColor colour = bar->tabTextColor(tab).isValid()
                ? bar->tabTextColor(tab)
                : bar->palette().color(QPalette::WindowText);
            checkContrast(bar, text, colour, bar->palette().color(QPalette::Window));
        }
    }

    void checkGroupTitle(const QGroupBox *group)
    {
        const QString text = shownText(group->title());
        if (text.isEmpty())
            return;
        const QFontMetrics metrics = group->fontMetrics();
        checkRoom(group, text, inkOf(metrics, text), group->size());
        checkContrast(
            group, text, group->palette().color(QPalette::WindowText), backgroundBehind(group));
    }

    const QWidget *m_window;
    bool m_checkContrast;
    std::vector<std::string> m_faults;
};

struct Setting
{
    const char *name;
    double fontScale;
    bool dark;
};

class WindowFit : public ::testing::TestWithParam<Setting>
{
protected:
    WindowFit()
        : m_font(QApplication::font())
        , m_palette(QApplication::palette())
        , m_styleName(QApplication::style()->name())
    {
        forgetWindowPlaces();
    }
    ~WindowFit() override
    {
        forgetWindowPlaces();
        QApplication::setStyle(QStyleFactory::create(m_styleName));
        QApplication::setPalette(m_palette);
        QApplication::setFont(m_font);
    }

    QFont m_font;
    QPalette m_palette;
    QString m_styleName;
};

} // namespace

// At the design's font, at one and a half and twice its size and in a dark palette, no text of
// any window is cut, and in the dark palette every text stands out from its background.
// CORVANTA_WINDOW_SHOTS names a folder to keep a picture of each window in.
TEST_P(WindowFit, EveryTextFitsWhatItsControlShows)
{
    const Setting setting = GetParam();
    QFont font = m_font;
    font.setPointSizeF(m_font.pointSizeF() * setting.fontScale);
    QApplication::setFont(font);
    if (setting.dark) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(darkPalette());
    }
    const char *shots = std::getenv("CORVANTA_WINDOW_SHOTS");
    TempDir scratch;
    int windows = 0;
    visitEveryWindow(CORVANTA_DATA_DIR, scratch.path(), [&](const OpenWindow &window) {
        ++windows;
        for (const std::string &fault : WindowWalk(window.widget, setting.dark).faults())
            ADD_FAILURE() << window.name << ": " << fault;
        if (shots)
            window.widget->grab().save(
                QStringLiteral("%1/%2-%3.png")
                    .arg(QString::fromLocal8Bit(shots), QString::fromLatin1(setting.name),
                        QString::fromStdString(window.name)));
    });
    EXPECT_EQ(windows, 14);
}

INSTANTIATE_TEST_SUITE_P(Settings, WindowFit,
    ::testing::Values(Setting { "Font100", 1.0, false }, Setting { "Font150", 1.5, false },
        Setting { "Font200", 2.0, false }, Setting { "Dark", 1.0, true },
        Setting { "Dark150", 1.5, true }),
    [](const ::testing::TestParamInfo<Setting> &info) { return std::string(info.param.name); });

// The main window, page editor, template viewer and directory chooser can be made larger: the
// page area, the panes, the preview and the list take the room. Each comes back at the next
// start of the program with the size and place it had when it was hidden.
TEST(ResizableWindows, GrowWhatTheyShowAndComeBackWhereTheyWereLeft)
{
    forgetWindowPlaces();
    ScriptedDialogs dialogs;
    TempDir scratch;
    const std::string home = CORVANTA_DATA_DIR;
    Model::ProjectSession session(App::programChoiceLists(home));
    const struct
    {
        const char *growingPart;
        std::function<std::unique_ptr<QWidget>()> open;
    } windows[] = {
        { "panes", [&] { return std::make_unique<App::MainWindow>(dialogs, session, home); } },
        { "PageControl1", [&] { return std::make_unique<Editor::PageEditor>(dialogs, home); } },
        { "Image1",
            [&] {
                auto viewer = std::make_unique<Catalogue::TemplateViewer>(dialogs, home);
                viewer->prepareViewer(session.lists().templates);
                return viewer;
            } },
        { "DirectoryListBox1",
            [&] { return std::make_unique<Publish::DirectoryChooser>(dialogs, scratch.path()); } },
    };
    const QSize larger(90, 60);
    const QPoint place(40, 30);
    for (const auto &window : windows) {
        std::unique_ptr<QWidget> first = window.open();
        first->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(first.get())) << window.growingPart;
        const QSize opened = first->size();
        const auto *part = first->findChild<QWidget *>(QLatin1String(window.growingPart));
        const QSize partBefore = part->size();
        first->resize(opened + larger);
        first->move(place);
        QApplication::processEvents();
        EXPECT_EQ(part->size(), partBefore + larger) << window.growingPart;
        if (const auto *picture = qobject_cast<const QLabel *>(part)) {
            EXPECT_GT(picture->pixmap().width(), partBefore.width()) << "the preview grows";
        }
        first->hide();
        first.reset();

        std::unique_ptr<QWidget> again = window.open();
        again->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(again.get())) << window.growingPart;
        EXPECT_EQ(again->size(), opened + larger) << window.growingPart;
        EXPECT_EQ(again->pos(), place) << window.growingPart;
        again->hide();
    }
    forgetWindowPlaces();
}
