#pragma once

#include "project/pageselection.h"

#include <QWidget>

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

signals:
    /// "&Edit Selected Page" or a double click: open the page at `curitem`.
    void editSelectedPage();
    /// "&Preview Selected Page": show the page at `curitem` as publishing would write it.
    void previewSelectedPage();
    void helpRequested();

private:
    Model::PageSelection &m_selection;
    QListWidget *m_list;
    QLineEdit *m_curitem;
    QPushButton *m_edit;
    QPushButton *m_sort;
    QPushButton *m_preview;
};

} // namespace App
