#pragma once

#include "project/pageselection.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QToolButton;

namespace App {

/// The Pages pane: the fourteen pages as tick boxes in a personal column (pages 1 to 9) and
/// a business column (all fourteen); the site type decides which column can be changed.
class PagesPane : public QWidget
{
    Q_OBJECT
public:
    explicit PagesPane(Model::PageSelection &selection, QWidget *parent = nullptr);

    /// Shows the ticks and which boxes can be changed (after a site type switch, New, Open).
    void showTicks();

    /// "Check All" of the personal and of the business column.
    void checkAllPersonal();
    void checkAllBusiness();

signals:
    /// Ticks changed, and with them the Edit Pages list.
    void ticksChanged();
    void helpRequested();

private:
    QWidget *makeColumn(
        Model::Column column, const QString &heading, const char *linkName, int pageCount);
    void boxClicked(Model::Column column, Model::PageId page, bool on);
    QCheckBox *&box(Model::Column column, Model::PageId page);

    Model::PageSelection &m_selection;
    std::array<QCheckBox *, Model::PersonalPageCount> m_personal {};
    std::array<QCheckBox *, Model::PageCount> m_business {};
};

} // namespace App
