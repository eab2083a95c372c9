#include "app/pagespane.h"

#include "app/uiparts.h"
#include "widgets/panelparts.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace App {

using Model::Column;
using Model::PageId;

PagesPane::PagesPane(Model::PageSelection &selection, QWidget *parent)
    : QWidget(parent)
    , m_selection(selection)
{
    QGroupBox *group = makePaneGroup(this, QStringLiteral(" Pages "));
    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(3);
    QLabel *intro = makeFramedText({ QStringLiteral("Choose the pages you want to include in your "
                                                    "website from the relevant category below:") },
        group);
    intro->setWordWrap(true);
    intro->setMargin(2);
    layout->addWidget(intro);
    auto *columns = new QHBoxLayout;
    columns->setSpacing(8);
    QWidget *personal = makeColumn(
        Column::Personal, QStringLiteral("Personal Website:"), "Label10", Model::PersonalPageCount);
    QWidget *business = makeColumn(
        Column::Business, QStringLiteral("Business Website:"), "Label45", Model::PageCount);
    columns->addWidget(personal, 1, Qt::AlignTop);
    columns->addWidget(business, 1, Qt::AlignTop);
    layout->addLayout(columns, 1);
    QPushButton *help = Widgets::addHelpRow(layout, group, QStringLiteral("pagesHelp"));
    connect(help, &QPushButton::clicked, this, &PagesPane::helpRequested);

    // Keyboard order: the business boxes, then the personal boxes with Events last, then Help.
    QWidget *previous = nullptr;
    const auto chain = [&previous](QWidget *next) {
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    };
    for (QCheckBox *check : m_business)
        chain(check);
    for (PageId page = 1; page <= Model::PersonalPageCount; ++page) {
        if (page != 4)
            chain(box(Column::Personal, page));
    }
    chain(box(Column::Personal, 4));
    chain(help);

    showTicks();
}

QWidget *PagesPane::makeColumn(
    Column column, const QString &heading, const char *linkName, int pageCount)
{
    auto *frame = new QFrame;
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto *layout = new QVBoxLayout(frame);
    layout->setContentsMargins(6, 1, 6, 1);
    layout->setSpacing(0);
    auto *headingRow = new QHBoxLayout;
    auto *title = new QLabel(heading, frame);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    headingRow->addWidget(title);
    headingRow->addStretch(1);
    // "Check All" is a text link: underlined text under a hand pointer.
    auto *link = new QToolButton(frame);
    link->setObjectName(QLatin1String(linkName));
    link->setText(QStringLiteral("Check All"));
    link->setAutoRaise(true);
    link->setFocusPolicy(Qt::NoFocus);
    link->setCursor(Qt::PointingHandCursor);
    link->setStyleSheet(
        QStringLiteral("QToolButton { border: none; text-decoration: underline; padding: 0; }"));
    QString columnName = heading;
    columnName.chop(1);
    link->setAccessibleName(QStringLiteral("Check All"));
    link->setAccessibleDescription(columnName);
    headingRow->addWidget(link);
    layout->addLayout(headingRow);
    connect(link, &QToolButton::clicked, this,
        column == Column::Personal ? &PagesPane::checkAllPersonal : &PagesPane::checkAllBusiness);

    for (PageId page = 1; page <= pageCount; ++page) {
        const Model::PageInfo &info = Model::pageInfo(page);
        auto *check = new QCheckBox(QString::fromLatin1(info.caption), frame);
        check->setObjectName(
            QLatin1String(column == Column::Personal ? info.personalBox : info.businessBox));
        check->setAccessibleName(QString::fromLatin1(info.caption));
        // Fourteen rows have to fit the pane's height at the design's font.
        check->setFixedHeight(std::max(17, check->fontMetrics().height()));
        check->setAccessibleDescription(columnName);
        layout->addWidget(check);
        box(column, page) = check;
        connect(check, &QCheckBox::clicked, this,
            [this, column, page](bool on) { boxClicked(column, page, on); });
    }
    layout->addStretch(1);
    return frame;
}

QCheckBox *&PagesPane::box(Column column, PageId page)
{
    const auto index = static_cast<std::size_t>(page - 1);
    return column == Column::Personal ? m_personal.at(index) : m_business.at(index);
}

void PagesPane::showTicks()
{
    for (PageId page = 1; page <= Model::PageCount; ++page) {
        for (Column column : { Column::Personal, Column::Business }) {
            if (column == Column::Personal && page > Model::PersonalPageCount)
                continue;
            QCheckBox *check = box(column, page);
            check->setChecked(m_selection.tick(column, page));
            check->setEnabled(m_selection.isChangeable(column, page));
        }
    }
}

void PagesPane::boxClicked(Column column, PageId page, bool on)
{
    m_selection.SetPageTick(column, page, on);
    showTicks();
    emit ticksChanged();
}

void PagesPane::checkAllPersonal()
{
    m_selection.checkAll(Column::Personal);
    showTicks();
    emit ticksChanged();
}

void PagesPane::checkAllBusiness()
{
    m_selection.checkAll(Column::Business);
    showTicks();
    emit ticksChanged();
}

} // namespace App
