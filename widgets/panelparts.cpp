#include "widgets/panelparts.h"

#include "assets/icons.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <cstdlib>

namespace Widgets {

void setHint(QWidget *control, const QString &hint)
{
    control->setToolTip(hint);
    control->setAccessibleDescription(hint);
}

QSize buttonSize(const QAbstractButton *button, const QSize &designSize)
{
    const QStyle *style = button->style();
    const auto *tool = qobject_cast<const QToolButton *>(button);
    const Qt::ToolButtonStyle shows = tool ? tool->toolButtonStyle() : Qt::ToolButtonTextBesideIcon;
    const bool picture = !button->icon().isNull() && shows != Qt::ToolButtonTextOnly;
    QString text = button->text();
    if (picture && shows == Qt::ToolButtonIconOnly)
        text.clear();
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    const QSize textSize = text.isEmpty() ? QSize() : button->fontMetrics().size(0, text);
    // A tool button showing a picture and a caption asks the style, as it cuts the caption
    // short inside its frame; one showing only a caption draws it edge to edge; push buttons
    // keep the style's frame and margins around what they show.
    if (tool && picture && !text.isEmpty())
        return designSize.expandedTo(tool->sizeHint());
    const int frame
        = tool && !picture ? 0 : style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    const int margin = tool ? 0 : style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
    const int height = tool ? 0 : 4;
    QSize content = textSize;
    if (picture) {
        const QSize icon = button->iconSize();
        content = shows == Qt::ToolButtonTextUnderIcon
            ? QSize(std::max(icon.width(), textSize.width()),
                icon.height() + textSize.height() + (text.isEmpty() ? 0 : 2))
            : QSize(icon.width() + textSize.width() + (text.isEmpty() ? 0 : 4),
                std::max(icon.height(), textSize.height()));
    }
    return designSize.expandedTo(content + QSize(2 * (frame + margin), 2 * frame + height));
}

void keepAtLeast(QWidget *control, const QSize &designSize)
{
    control->setMinimumSize(designSize.expandedTo(control->minimumSizeHint()));
}

void fixButtonSize(QAbstractButton *button, const QSize &designSize)
{
    button->setFixedSize(buttonSize(button, designSize));
}

QPushButton *makeHelpButton(QWidget *parent, const QString &objectName)
{
    auto *button = new QPushButton(QIcon(Assets::icon("help")), QStringLiteral("&Help"), parent);
    button->setObjectName(objectName);
    button->setAccessibleName(QStringLiteral("Help"));
    setHint(button, QString::fromLatin1(HelpHint));
    fixButtonSize(button, QSize(75, 25));
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

namespace {

// Keeps a filled panel in one colour of its palette, with its texts readable on it, whatever
// palette comes later. The colour is taken into the panel's own Window colour, so that the
// texts on it keep the window text role (on Dark, Qt would draw them in Light).
class PanelShade : public QObject
{
public:
    PanelShade(QWidget *panel, QPalette::ColorRole background)
        : QObject(panel)
        , m_panel(panel)
        , m_background(background)
    {
        panel->setAutoFillBackground(true);
        apply();
        panel->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // A new palette reaches the panel after its parent; the colours follow it.
        if (watched == m_panel && event->type() == QEvent::PaletteChange)
            apply();
        return false;
    }

private:
    void apply()
    {
        if (m_applying)
            return;
        m_applying = true;
        const QWidget *parent = m_panel->parentWidget();
        const QPalette around = parent ? parent->palette() : QApplication::palette(m_panel);
        const QColor background = around.color(m_background);
        const QColor dark = around.color(QPalette::WindowText);
        const QColor light = around.color(QPalette::Window);
        const int shade = qGray(background.rgb());
        const QColor text
            = std::abs(qGray(dark.rgb()) - shade) >= std::abs(qGray(light.rgb()) - shade) ? dark
                                                                                          : light;
        QPalette palette = m_panel->palette();
        palette.setColor(QPalette::Window, background);
        palette.setColor(QPalette::Button, background);
        palette.setColor(QPalette::WindowText, text);
        palette.setColor(QPalette::ButtonText, text);
        m_panel->setPalette(palette);
        m_applying = false;
    }

    QWidget *m_panel;
    QPalette::ColorRole m_background;
    bool m_applying = false;
};

} // namespace

void fillPanel(QWidget *panel, QPalette::ColorRole background)
{
    new PanelShade(panel, background);
}

void makeGreyCell(QLabel *label)
{
    fillPanel(label, QPalette::Button);
    label->setFrameStyle(QFrame::Panel | QFrame::Raised);
    label->setMargin(3);
    // Room for the whole advance of the text, which runs a pixel or two past its ink, beside
    // the frame, the margins and the indent a framed label keeps.
    const QFontMetrics metrics = label->fontMetrics();
    keepAtLeast(label,
        QSize(metrics.horizontalAdvance(label->text()) + 2 * (label->frameWidth() + label->margin())
                + metrics.horizontalAdvance(QLatin1Char('x')) / 2,
            0));
}

} // namespace Widgets
