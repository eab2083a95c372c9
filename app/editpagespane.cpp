#include "app/editpagespane.h"

#include "app/uiparts.h"
#include "project/sitefinding.h"
#include "widgets/cp1252text.h"
#include "widgets/panelparts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace App {

EditPagesPane::EditPagesPane(Model::PageSelection &selection, QWidget *parent)
    : QWidget(parent)
    , m_selection(selection)
{
    QGroupBox *group = makePaneGroup(this, QStringLiteral(" Edit Pages "));
    auto *layout = new QGridLayout(group);
    layout->setContentsMargins(8, 8, 8, 6);
    layout->setHorizontalSpacing(10);
    layout->setVerticalSpacing(6);

    QLabel *prompt = makeFramedText({ QStringLiteral("Select a page to edit:") }, group);
    layout->addWidget(prompt, 0, 0, 1, 2);

    m_list = new QListWidget(group);
    m_list->setObjectName(QStringLiteral("ListBox1"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setAccessibleName(QStringLiteral("Select a page to edit"));
    // Wide enough for the longest page caption.
    int listWidth = 160;
    for (const Model::PageInfo &info : Model::PageCatalogue)
        listWidth = std::max(listWidth,
            m_list->fontMetrics().horizontalAdvance(Widgets::fromCp1252(info.caption))
                + m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 16);
    m_list->setFixedWidth(listWidth);
    layout->addWidget(m_list, 1, 0, 3, 1);

    m_edit = new QPushButton(QStringLiteral("&Edit Selected Page"), group);
    m_edit->setObjectName(QStringLiteral("BitBtn9"));
    m_edit->setAccessibleName(QStringLiteral("Edit Selected Page"));
    m_sort = new QPushButton(QStringLiteral("&Sort Pages List"), group);
    m_sort->setObjectName(QStringLiteral("BitBtn10"));
    m_sort->setAccessibleName(QStringLiteral("Sort Pages List"));
    m_preview = new QPushButton(QStringLiteral("&Preview Selected Page"), group);
    m_preview->setObjectName(QStringLiteral("PreviewPage1"));
    m_preview->setAccessibleName(QStringLiteral("Preview Selected Page"));
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_edit);
    buttons->addWidget(m_preview);
    buttons->addWidget(m_sort);
    layout->addLayout(buttons, 1, 1, Qt::AlignTop);

    auto *tip = new QGroupBox(QStringLiteral(" Tip "), group);
    auto *tipLayout = new QVBoxLayout(tip);
    tipLayout->addWidget(new QLabel(QStringLiteral("You can also double-click on the relevant\n"
                                                   "page you would like to edit for faster\n"
                                                   "execution or if you want to check your \n"
                                                   "pages in quick succession."),
        tip));
    layout->addWidget(tip, 2, 1, Qt::AlignTop);
    layout->setRowStretch(3, 1);

    // `curitem`: the position "Edit Selected Page" opens, kept apart from the highlight.
    m_curitem = new QLineEdit(group);
    m_curitem->setObjectName(QStringLiteral("curitem"));
    m_curitem->setVisible(false);

    QPushButton *help = Widgets::makeHelpButton(group, QStringLiteral("editPagesHelp"));
    layout->addWidget(help, 4, 1, Qt::AlignRight | Qt::AlignBottom);

    setTabOrder(m_list, m_edit);
    setTabOrder(m_edit, m_preview);
    setTabOrder(m_preview, m_sort);
    setTabOrder(m_sort, help);

    connect(m_list, &QListWidget::itemClicked, this, [this] { selectListEntry(); });
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { selectListEntry(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        // The entry under the pointer becomes current first, so that entry is the one opened.
        m_list->setCurrentItem(item);
        selectListEntry();
        emit editSelectedPage();
    });
    connect(m_edit, &QPushButton::clicked, this, &EditPagesPane::editSelectedPage);
    connect(m_preview, &QPushButton::clicked, this, &EditPagesPane::previewSelectedPage);
    connect(m_sort, &QPushButton::clicked, this, &EditPagesPane::sortList);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QListWidget::customContextMenuRequested, this, &EditPagesPane::showEntryMenu);
    connect(help, &QPushButton::clicked, this, &EditPagesPane::helpRequested);

    showList();
}

void EditPagesPane::showList()
{
    // Rebuilding the list is not a selection by the user: `curitem` stays as it is.
    const QSignalBlocker blocker(m_list);
    const int highlighted = m_list->currentRow();
    m_list->clear();
    for (const std::string &caption : m_selection.editPagesList()) {
        auto *item = new QListWidgetItem(Widgets::fromCp1252(caption), m_list);
        const auto page = Model::pageByCaption(caption);
        if (page && Model::hiddenFromSearch(m_selection.project(), *page))
            item->setToolTip(QStringLiteral("Hidden from search engines"));
    }
    if (highlighted >= 0 && highlighted < m_list->count())
        m_list->setCurrentRow(highlighted);
    m_curitem->setText(Widgets::fromCp1252(m_selection.curitem()));
}

void EditPagesPane::selectListEntry()
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    m_selection.selectEntry(row);
    m_curitem->setText(Widgets::fromCp1252(m_selection.curitem()));
}

void EditPagesPane::sortList()
{
    m_selection.sortList();
    showList();
}

} // namespace App

namespace App {

std::optional<Model::PageId> EditPagesPane::pageOfRow(int row) const
{
    if (row < 0 || row >= m_list->count())
        return std::nullopt;
    return Model::pageByCaption(Widgets::toCp1252(m_list->item(row)->text()));
}

void EditPagesPane::setHiddenFromSearch(int row, bool hidden)
{
    const auto page = pageOfRow(row);
    if (!page || Model::hiddenFromSearch(m_selection.project(), *page) == hidden)
        return;
    Model::setHiddenFromSearch(m_selection.project(), *page, hidden);
    showList();
    emit edited();
}

void EditPagesPane::showEntryMenu(const QPoint &position)
{
    const QListWidgetItem *item = m_list->itemAt(position);
    const int row = item ? m_list->row(item) : m_list->currentRow();
    const auto page = pageOfRow(row);
    if (!page)
        return;
    QMenu menu(m_list);
    menu.setAccessibleName(QStringLiteral("Page menu"));
    QAction *hide = menu.addAction(QStringLiteral("&Hide from search engines"));
    hide->setObjectName(QStringLiteral("hideFromSearchAction"));
    hide->setCheckable(true);
    hide->setChecked(Model::hiddenFromSearch(m_selection.project(), *page));
    connect(hide, &QAction::triggered, this,
        [this, row](bool hidden) { setHiddenFromSearch(row, hidden); });
    menu.exec(m_list->viewport()->mapToGlobal(
        item ? position : m_list->visualItemRect(m_list->item(row)).center()));
}

} // namespace App
