#include "widgets/panelparts.h"

#include "assets/icons.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace Widgets {

void setHint(QWidget *control, const QString &hint)
{
    control->setToolTip(hint);
    control->setAccessibleDescription(hint);
}

QPushButton *makeHelpButton(QWidget *parent, const QString &objectName)
{
    auto *button = new QPushButton(QIcon(Assets::icon("help")), QStringLiteral("&Help"), parent);
    button->setObjectName(objectName);
    button->setAccessibleName(QStringLiteral("Help"));
    setHint(button, QString::fromLatin1(HelpHint));
    button->setFixedSize(75, 25);
    return button;
}

QPushButton *addHelpRow(QBoxLayout *column, QWidget *parent, const QString &objectName)
{
    QPushButton *help = makeHelpButton(parent, objectName);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(help);
    column->addLayout(row);
    return help;
}

void fillPanel(QWidget *panel, const QColor &background, const QColor &text)
{
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, background);
    if (text.isValid()) {
        palette.setColor(QPalette::WindowText, text);
        palette.setColor(QPalette::ButtonText, text);
    }
    panel->setPalette(palette);
}

void makeGreyCell(QLabel *label)
{
    fillPanel(label, label->palette().color(QPalette::Mid).lighter(125));
    label->setFrameStyle(QFrame::Panel | QFrame::Raised);
    label->setMargin(3);
}

} // namespace Widgets
