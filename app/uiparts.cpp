#include "app/uiparts.h"

#include "widgets/panelparts.h"

#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace App {

QGroupBox *makePaneGroup(QWidget *pane, const QString &title)
{
    auto *group = new QGroupBox(title, pane);
    auto *outer = new QVBoxLayout(pane);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(group);
    return group;
}

QLabel *makeFramedText(const QStringList &lines, QWidget *parent)
{
    auto *label = new QLabel(lines.join(QLatin1Char('\n')), parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMargin(3);
    label->setWordWrap(false);
    return label;
}

QLabel *makeRowLabel(const QString &text, QWidget *control, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("rowLabel"));
    Widgets::makeGreyCell(label);
    label->setBuddy(control);
    QString name = text;
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    control->setAccessibleName(name);
    return label;
}

} // namespace App
