#include "tests/support/everywindow.h"
#include "tests/support/tempdir.h"

#include <QAccessible>
#include <QLabel>
#include <QTabWidget>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <map>

using namespace Testing;

namespace {

// What a label shows: its words without the markup of rich text and without the "&" that
// marks a mnemonic ("&&" shows one "&").
QString shownText(const QLabel &label)
{
    QString text = label.text();
    if (label.textFormat() == Qt::RichText
        || (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
        QTextDocument document;
        document.setHtml(text);
        text = document.toPlainText();
    }
    QString shown;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at] == QLatin1Char('&') && at + 1 < text.size())
            ++at;
        shown += text[at];
    }
    return shown;
}

QString path(const QWidget *widget)
{
    QString names;
    for (; widget; widget = widget->parentWidget())
        names.prepend(QLatin1Char('/')
            + (widget->objectName().isEmpty()
                    ? QString::fromLatin1(widget->metaObject()->className())
                    : widget->objectName()));
    return names;
}

} // namespace

// A screen reader reads every control the keyboard can reach by a name, and every label by
// the text it shows.
TEST(Accessibility, EveryWindow_NamesEachFocusableControlAndReadsEachLabelsText)
{
    TempDir scratch;
    std::map<std::string, int> controls;
    const auto walk = [&controls](const std::string &window, QWidget *area) {
        for (QWidget *widget : area->findChildren<QWidget *>()) {
            if (!widget->isVisible())
                continue;
            QAccessibleInterface *reader = QAccessible::queryAccessibleInterface(widget);
            ASSERT_NE(reader, nullptr) << window << path(widget).toStdString();
            const QString name = reader->text(QAccessible::Name);
            // A control that hands its focus on (the line edit inside a spin box) is read as
            // the one that takes it.
            if (widget->focusPolicy() != Qt::NoFocus && !widget->focusProxy()) {
                ++controls[window];
                EXPECT_FALSE(name.isEmpty())
                    << window << ": no name for " << path(widget).toStdString();
            }
            const auto *label = qobject_cast<QLabel *>(widget);
            if (label && !label->text().isEmpty()) {
                EXPECT_EQ(name, shownText(*label)) << window << ": " << path(widget).toStdString();
            }
        }
    };
    visitEveryWindow(CORVANTA_DATA_DIR, scratch.path(), [&](const OpenWindow &window) {
        walk(window.name, window.widget);
        // The controls of every tab, not only the one in front.
        for (QTabWidget *tabs : window.widget->findChildren<QTabWidget *>()) {
            if (!tabs->isVisible())
                continue;
            for (int tab = 1; tab < tabs->count(); ++tab) {
                tabs->setCurrentIndex(tab);
                walk(window.name + ", tab " + tabs->tabText(tab).toStdString(), tabs->widget(tab));
            }
            tabs->setCurrentIndex(0);
        }
    });
    // Every window but the splash has controls to reach, and so has every tab.
    EXPECT_EQ(controls.size(), 17u);
}
