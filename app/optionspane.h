#pragma once

#include "platform/dialogs.h"
#include "project/project.h"

#include <QComboBox>
#include <QList>
#include <QTimer>
#include <QWidget>

class QCheckBox;
class QFrame;
class QSpinBox;
class QGridLayout;
class QLabel;
class QTabWidget;
class QToolButton;

namespace App {

/// The font list: tells when it is dropped down, so the font sample can show.
class FontListBox : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;

signals:
    void droppedDown();
};

/// The Options pane: the site-wide text, link, list and image styles and the page additions,
/// on five tabs. Its controls edit the project directly.
class OptionsPane : public QWidget
{
    Q_OBJECT
public:
    OptionsPane(Model::Project &project, const Model::ChoiceLists &lists,
        Platform::Dialogs &dialogs, QWidget *parent = nullptr);

    /// Shows the project's values in the controls (after New and Open).
    void showProject();

    /// The colour the shared colour dialog holds: the last one confirmed in any chooser.
    Platform::Colour dialogColour() const { return m_dialogColour; }

signals:
    void helpRequested();
    /// The user changed a field of the project here.
    void edited();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// One colour field shown as swatch, "Choose color" button and "#RRGGBB" label.
    struct ColourChooser
    {
        Model::ColorChoice Model::Project::*field;
        QFrame *swatch;
        QToolButton *button;
        QLabel *text;
    };
    /// One drop-down list holding a choice field.
    struct ChoiceBox
    {
        Model::Choice Model::Project::*field;
        QComboBox *box;
    };
    struct FlagBox
    {
        bool Model::Project::*field;
        QCheckBox *box;
    };

    // The tabs, left to right.
    void createTextTab(const std::vector<std::string> &fonts);
    /// The sample of the highlighted font, shown beside the open font list.
    void createFontSample(QWidget *textTab, QGridLayout *rows);
    /// Colour and decoration of the four link states.
    void createLinksTab();
    void createListsTab();
    void createImagesTab();
    /// The page additions.
    void createGeneralTab();

    QWidget *addTab(const QString &title, const QString &groupTitle, QGridLayout *&rows);
    QComboBox *addChoice(QGridLayout *rows, int row, int column, const QString &label,
        const char *objectName, const QStringList &entries, Model::Choice Model::Project::*field);
    void addColourChooser(QGridLayout *rows, int row, int column, const QString &label,
        const char *objectName, Model::ColorChoice Model::Project::*field);
    QCheckBox *addFlag(QGridLayout *rows, int row, const QString &caption, const QString &hint,
        const char *objectName, bool Model::Project::*field);
    void chooseColour(const ColourChooser &chooser);
    void showColour(const ColourChooser &chooser);
    void updateSizeUnit();
    void showFontSample();
    void followHighlightedFont();
    void hideFontSample();
    /// Fills the font list, once, and shows the project's font in it.
    void listFonts();
    /// The pictures' settings: web-ready copies and their size.
    void addPictureSettings(QGridLayout *rows, int row);
    void showPictureSettings();
    void editPictureSettings();

    Model::Project &m_project;
    Platform::Dialogs &m_dialogs;
    Platform::Colour m_dialogColour; ///< black until a colour is first confirmed
    QTabWidget *m_tabs;
    QList<ColourChooser> m_colours;
    QList<ChoiceBox> m_choices;
    QList<FlagBox> m_flags;
    FontListBox *m_fontList = nullptr;
    QStringList m_fonts;
    bool m_fontsListed = false;
    QComboBox *m_fontSize = nullptr;
    QLabel *m_sizeUnit = nullptr;
    QFrame *m_sample = nullptr;
    QLabel *m_sampleText = nullptr;
    QTimer m_sampleTimer;
    QCheckBox *m_webReady = nullptr;
    QSpinBox *m_longEdge = nullptr;
};

} // namespace App
