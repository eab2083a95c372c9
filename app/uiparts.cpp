#include "app/uiparts.h"

#include "assets/icons.h"
#include "platform/encoding.h"

#include <QLabel>
#include <QPushButton>

namespace App {

QString uiText(const std::string &text)
{
    return QString::fromStdString(Platform::cp1252ToUtf8(text));
}

std::string projectText(const QString &text) { return Platform::utf8ToCp1252(text.toStdString()); }

void setHint(QWidget *control, const QString &hint)
{
    control->setToolTip(hint);
    control->setAccessibleDescription(hint);
}

QPushButton *makeHelpButton(QWidget *parent)
{
    auto *button = new QPushButton(QIcon(Assets::icon("help")), QStringLiteral("&Help"), parent);
    button->setAccessibleName(QStringLiteral("Help"));
    setHint(button, QString::fromLatin1(HelpHint));
    button->setFixedSize(75, 25);
    return button;
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
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Mid).lighter(125));
    label->setPalette(palette);
    label->setFrameStyle(QFrame::Panel | QFrame::Raised);
    label->setMargin(3);
    label->setBuddy(control);
    QString name = text;
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    control->setAccessibleName(name);
    return label;
}

} // namespace App
