#pragma once

#include "platform/dialogs.h"
#include "project/pageselection.h"

#include <QWidget>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace App {

/// The Site Info pane: site type, template, title, description, keywords, copyright years,
/// logo picture (with a small preview) and slogan. Its controls edit the project directly.
class SiteInfoPane : public QWidget
{
    Q_OBJECT
public:
    SiteInfoPane(Model::PageSelection &selection, const Model::ChoiceLists &lists,
        Platform::Dialogs &dialogs, QWidget *parent = nullptr);

    /// Shows the project's values in the controls (after New and Open), and the template
    /// list as the choice lists hold it now.
    void showProject();

    /// "&Personal" or "&Business" became the selected site type.
    void choosePersonalSite();
    void chooseBusinessSite();
    /// The small button of the logo row: picks the logo picture.
    void chooseLogo();
    /// The clear button of the logo row, or Delete in its box: the site has no logo.
    void clearLogo();
    /// The website address box was left or Enter pressed in it: takes a web address (with "/"
    /// added at its end) or says why the text is none and keeps the one before.
    void takeSiteAddress();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    /// The site type changed, so another column of the Pages pane can be changed.
    void siteTypeChanged();
    /// The user changed a field of the project here.
    void edited();
    void templateViewerRequested();
    void helpRequested();

private:
    // The rows of the pane, top to bottom, in the group box `group`.
    void createSiteTypeRow(QWidget *group);
    void createTemplateRow(QWidget *group);
    void createLogoRow(QWidget *group);
    /// Tab goes down the rows, through each row's controls from left to right.
    void createAddressRow(QWidget *group);
    void setTabOrders();

    void showLogo();
    QLineEdit *addTextRow(const char *objectName, const QString &label, const QString &hint,
        std::string Model::Project::*field);

    Model::PageSelection &m_selection;
    Model::Project &m_project;
    const Model::ChoiceLists &m_lists;
    Platform::Dialogs &m_dialogs;
    std::string m_lastLogo;

    QRadioButton *m_personal;
    QRadioButton *m_business;
    QComboBox *m_templates;
    QToolButton *m_templateViewer;
    QLineEdit *m_logo;
    QToolButton *m_logoButton;
    QToolButton *m_logoClear;
    QLabel *m_logoPreview;
    QLineEdit *m_address;
    QString m_refusedAddress; ///< the text last refused, so that it is refused only once
    QPushButton *m_help;
    struct TextRow
    {
        QLineEdit *edit;
        std::string Model::Project::*field;
    };
    QList<TextRow> m_textRows;
    QGridLayout *m_rows;
};

} // namespace App
