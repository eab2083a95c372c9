#include "app/finishpane.h"

#include "app/uiparts.h"
#include "assets/icons.h"
#include "widgets/panelparts.h"

#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace App {
namespace {

// A framed block: a large flat button on the left, its explanation on the right.
QToolButton *addBlock(QVBoxLayout *layout, QWidget *group, const char *objectName,
    const QString &caption, const char *iconName, const QStringList &lines)
{
    auto *frame = new QFrame(group);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto *row = new QHBoxLayout(frame);
    row->setContentsMargins(8, 6, 8, 6);
    row->setSpacing(12);
    auto *button = new QToolButton(frame);
    button->setObjectName(QLatin1String(objectName));
    button->setText(caption);
    button->setIcon(Assets::icon(iconName));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    Widgets::fixButtonSize(button, QSize(104, 64));
    button->setAccessibleName(caption);
    row->addWidget(button);
    auto *text = new QLabel(lines.join(QLatin1Char('\n')), frame);
    row->addWidget(text, 1);
    layout->addWidget(frame);
    return button;
}

} // namespace

FinishPane::FinishPane(QWidget *parent)
    : QWidget(parent)
{
    QGroupBox *group = makePaneGroup(this, QStringLiteral(" Finish Website "));
    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(8, 8, 8, 6);
    layout->setSpacing(10);
    QLabel *intro = makeFramedText(
        { QStringLiteral("When you are finished with your website, you can either save your "
                         "information for future use, or publish the website to HTML files, ready "
                         "to be uploaded to your website.") },
        group);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    QToolButton *save
        = addBlock(layout, group, "finishSaveButton", QStringLiteral("Save Project"), "finish-save",
            { QStringLiteral("Use this options to save your project files"),
                QStringLiteral("for future use and editing. A total of 15"),
                QStringLiteral("files will be saved.") });
    QToolButton *publish = addBlock(layout, group, "finishPublishButton",
        QStringLiteral("Publish Project"), "finish-publish",
        { QStringLiteral("Use this option to publish your project to"),
            QStringLiteral("HTML files. The website directory will be"),
            QStringLiteral("created and all files and images will be"),
            QStringLiteral("copied into it.") });
    layout->addStretch(1);
    QPushButton *help = Widgets::addHelpRow(layout, group, QStringLiteral("finishHelp"));

    connect(save, &QToolButton::clicked, this, &FinishPane::saveRequested);
    connect(publish, &QToolButton::clicked, this, &FinishPane::publishRequested);
    connect(help, &QPushButton::clicked, this, &FinishPane::helpRequested);
}

} // namespace App
