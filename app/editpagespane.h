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
    explicit EditPagesPane(Corvanta::PageSelection &selection, QWidget *parent = nullptr);

    /// Shows the Edit Pages list and `curitem` as the selection holds them.
    void showList();

    /// A click on an entry, or a new highlighted entry chosen by keyboard.
    void ListBox1Click();
    /// "&Sort Pages List".
    void BitBtn10Click();

signals:
    /// "&Edit Selected Page" or a double click: open the page at `curitem`.
    void editSelectedPage();
    void helpRequested();

private:
    Corvanta::PageSelection &m_selection;
    QListWidget *m_list;
    QLineEdit *m_curitem;
    QPushButton *m_edit;
    QPushButton *m_sort;
};

} // namespace App
