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
#include <sstream>

using namespace Testing;

namespace {

// Windows open where they were left; each story starts with nothing remembered.
void forgetWindowPlaces()
{
    QSettings(QStringLiteral("corvanta"), QStringLiteral("corvanta"))
        .remove(QStringLiteral("windows"));
}

// The text as drawn: "&" marks the shortcut letter and "&&" stands for one "&".
QString shownText(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    return text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

// The contrast ratio of two colours as the accessibility guidelines define it.
double contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &colour) {
        const auto linear = [](double value) {
            return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF())
            + 0.0722 * linear(colour.blueF()) + 0.05;
    };
    return std::max(luminance(a), luminance(b)) / std::min(luminance(a), luminance(b));
}

// The colour behind a control's text: the nearest filled background around it.
QColor backgroundBehind(const QWidget *control)
{
    while (!control->autoFillBackground() && !control->isWindow())
        control = control->parentWidget();
    return control->palette().color(control->backgroundRole());
}

// The advance of the longest line and the ink height of the lines.
QSize extent(const QFontMetrics &metrics, const QString &text)
{
    int width = 0;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString &line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    return { width,
        static_cast<int>(lines.size() - 1) * metrics.lineSpacing()
            + metrics.tightBoundingRect(text).height() };
}

// One text a control shows: the room it needs, the room it has and its colours.
struct ShownText
{
    QString text;
    QSize needed;
    QSize room;
    QColor colour;
    QColor background;
};

std::vector<ShownText> textsOfLabel(const QLabel *label)
{
    if (label->text().isEmpty() || Qt::mightBeRichText(label->text()))
        return {};
    const QString text = label->buddy() ? shownText(label->text()) : label->text();
    const QFontMetrics metrics = label->fontMetrics();
    // A framed label keeps half an "x" of indent.
    const int indent = label->indent() >= 0 ? label->indent()
        : label->frameWidth() > 0           ? metrics.horizontalAdvance(QLatin1Char('x')) / 2
                                            : 0;
    const int margin = label->margin();
    const QSize room = label->contentsRect().size() - QSize(2 * margin + indent, 2 * margin);
    QSize needed = extent(metrics, text);
    if (label->wordWrap()) {
        // Wrapping may add lines but never split a word.
        needed.setWidth(0);
        for (const QString &word : text.split(QRegularExpression(QStringLiteral("\\s+"))))
            needed.setWidth(std::max(needed.width(), metrics.horizontalAdvance(word)));
        needed.setHeight(label->heightForWidth(label->width()) - (label->height() - room.height()));
    }
    return { { text, needed, room, label->palette().color(label->foregroundRole()),
        backgroundBehind(label) } };
}

std::vector<ShownText> textsOfButton(const QAbstractButton *button)
{
    const auto *tool = qobject_cast<const QToolButton *>(button);
    const auto shows = tool ? tool->toolButtonStyle() : Qt::ToolButtonTextBesideIcon;
    const bool picture = !button->icon().isNull() && shows != Qt::ToolButtonTextOnly;
    const QString text = shownText(button->text());
    if (text.isEmpty() || (tool && picture && shows == Qt::ToolButtonIconOnly))
        return {};
    const QStyle *style = button->style();
    QSize needed = extent(button->fontMetrics(), text);
    const QSize icon = picture ? button->iconSize() : QSize();
    needed = shows == Qt::ToolButtonTextUnderIcon
        ? QSize(std::max(needed.width(), icon.width()), needed.height() + icon.height())
        : needed + QSize(picture ? icon.width() + 4 : 0, 0);
    // Tick boxes and radio buttons draw their mark before the text.
    if (qobject_cast<const QCheckBox *>(button) || qobject_cast<const QRadioButton *>(button))
        needed += QSize(style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, button)
                + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, button),
            0);
    // Push buttons draw their captions inside their frame, and so do tool buttons with a
    // picture (cutting the caption short with "..." where it does not fit); a tool button with
    // a caption alone draws it edge to edge.
    const auto *push = qobject_cast<const QPushButton *>(button);
    const int frame = push || (tool && picture)
        ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button)
        : 0;
    const bool raised = push && !push->isFlat();
    return { { text, needed, button->size() - QSize(2 * frame, 2 * frame),
        button->palette().color(button->foregroundRole()),
        raised ? button->palette().color(QPalette::Button) : backgroundBehind(button) } };
}

std::vector<ShownText> textsOfTabs(const QTabBar *bar)
{
    std::vector<ShownText> texts;
    for (int tab = 0; tab < bar->count(); ++tab) {
        const QString text = shownText(bar->tabText(tab));
        // A tab outside the bar has no room at all.
        const QRect place = bar->tabRect(tab);
        texts.push_back({ text, extent(bar->fontMetrics(), text),
            bar->rect().contains(place) ? place.size() : QSize(),
            bar->tabTextColor(tab).isValid() ? bar->tabTextColor(tab)
                                             : bar->palette().color(QPalette::WindowText),
            bar->palette().color(QPalette::Window) });
    }
    return texts;
}

// What is wrong with the texts of one window: each text larger than the room its control
// gives it or lying partly outside the window or panel around it, and in the dark palette each
// text too faint on its background.
std::vector<std::string> faultsOf(const QWidget *window, bool checkContrast)
{
    std::vector<std::string> faults;
    for (const QWidget *control : window->findChildren<QWidget *>()) {
        if (!control->isVisible())
            continue;
        std::vector<ShownText> texts;
        if (const auto *label = qobject_cast<const QLabel *>(control))
            texts = textsOfLabel(label);
        else if (const auto *button = qobject_cast<const QAbstractButton *>(control))
            texts = textsOfButton(button);
        else if (const auto *bar = qobject_cast<const QTabBar *>(control))
            texts = textsOfTabs(bar);
        else if (const auto *group = qobject_cast<const QGroupBox *>(control))
            texts = { { group->title(), extent(group->fontMetrics(), group->title()), group->size(),
                group->palette().color(QPalette::WindowText), backgroundBehind(group) } };
        QRect uncut = control->rect();
        for (const QWidget *widget = control; !widget->isWindow(); widget = widget->parentWidget())
            uncut = uncut.translated(widget->pos()) & widget->parentWidget()->rect();
        for (const ShownText &shown : texts) {
            std::ostringstream fault;
            if (shown.needed.width() > shown.room.width()
                || shown.needed.height() > shown.room.height())
                fault << " needs " << shown.needed.width() << "x" << shown.needed.height()
                      << ", has " << shown.room.width() << "x" << shown.room.height() << ".";
            if (uncut.size() != control->size())
                fault << " lies partly outside its window or panel.";
            if (checkContrast && control->isEnabled()
                && contrast(shown.colour, shown.background) < 4.5)
                fault << " contrast " << contrast(shown.colour, shown.background) << " of "
                      << shown.colour.name().toStdString() << " on "
                      << shown.background.name().toStdString() << ".";
            if (!fault.str().empty())
                faults.push_back(control->metaObject()->className() + std::string(" ")
                    + control->objectName().toStdString() + " \"" + shown.text.toStdString()
                    + "\":" + fault.str());
        }
    }
    return faults;
}

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
        // The palette Qt makes from a dark window colour: light texts on dark grounds.
        QApplication::setPalette(QPalette(QColor(53, 53, 53)));
    }
    const char *shots = std::getenv("CORVANTA_WINDOW_SHOTS");
    TempDir scratch;
    int windows = 0;
    visitEveryWindow(CORVANTA_DATA_DIR, scratch.path(), [&](const OpenWindow &window) {
        ++windows;
        for (const std::string &fault : faultsOf(window.widget, setting.dark))
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
