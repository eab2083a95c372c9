#pragma once

#include "project/pageselection.h"

#include <QWidget>

#include <optional>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace App {

/// The Edit Pages pane: the list of the pages ticked so far, from which a page is opened in
/// the page editor.
class EditPagesPane : public QWidget
{
    Q_OBJECT
public:
    explicit EditPagesPane(Model::PageSelection &selection, QWidget *parent = nullptr);

    /// Shows the Edit Pages list and `curitem` as the selection holds them.
    void showList();

    /// A click on an entry, or a new highlighted entry chosen by keyboard.
    void selectListEntry();
    /// "&Sort Pages List".
    void sortList();
    /// "Hide from search engines" in an entry's context menu: the page's published file asks
    /// search engines to leave it out, and the sitemap leaves it out, or no longer does.
    void setHiddenFromSearch(int row, bool hidden);
    /// The context menu of the entry at `position` in the list.
    void showEntryMenu(const QPoint &position);

signals:
    /// "&Edit Selected Page" or a double click: open the page at `curitem`.
    void editSelectedPage();
    /// "&Preview Selected Page": show the page at `curitem` as publishing would write it.
    void previewSelectedPage();
    void helpRequested();
    /// The user changed a field of the project here.
    void edited();

private:
    /// The page of a list entry, if the entry names one.
    std::optional<Model::PageId> pageOfRow(int row) const;

    Model::PageSelection &m_selection;
    QListWidget *m_list;
    QLineEdit *m_curitem;
    QPushButton *m_edit;
    QPushButton *m_sort;
    QPushButton *m_preview;
};

} // namespace App
