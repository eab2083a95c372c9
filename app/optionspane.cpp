#include "app/optionspane.h"

#include "app/uiparts.h"
#include "platform/maker.h"
#include "widgets/cp1252text.h"
#include "widgets/panelparts.h"
#include "widgets/runcommand.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace App {

using Model::Project;

namespace {

template <typename List> QStringList entriesOf(const List &list)
{
    QStringList entries;
    for (const auto &entry : list)
        entries << Widgets::fromCp1252(std::string(entry));
    return entries;
}

QColor swatchColour(std::uint32_t swatch)
{
    return QColor(static_cast<int>(swatch & 0xFF), static_cast<int>((swatch >> 8) & 0xFF),
        static_cast<int>((swatch >> 16) & 0xFF));
}

// Sizes "1" to "100" are pixel sizes; the nine keyword sizes before them have no unit.
constexpr int FirstNumericSize = 9;

} // namespace

void FontListBox::showPopup()
{
    emit droppedDown();
    QComboBox::showPopup();
}

OptionsPane::OptionsPane(
    Project &project, const Model::ChoiceLists &lists, Platform::Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , m_project(project)
    , m_dialogs(dialogs)
{
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("optionsTabs"));
    m_tabs->setAccessibleName(QStringLiteral("Options"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_tabs);
    // A tab title lights up under the pointer.
    m_tabs->tabBar()->setMouseTracking(true);
    m_tabs->tabBar()->installEventFilter(this);

    createTextTab(lists.fonts);
    createLinksTab();
    createListsTab();
    createImagesTab();
    createGeneralTab();

    showProject();
}

void OptionsPane::createTextTab(const std::vector<std::string> &fonts)
{
    QGridLayout *rows = nullptr;
    QWidget *textTab = addTab(QStringLiteral("Text"), QStringLiteral(" Text Options "), rows);
    for (const std::string &font : fonts)
        m_fonts << Widgets::fromCp1252(font);
    // The installed fonts may be thousands: the list is filled when it is first shown, so that
    // filling it does not delay the program's first window.
    m_fontList = new FontListBox(textTab);
    m_fontList->setObjectName(QStringLiteral("fontlist"));
    m_fontList->setMaxVisibleItems(16);
    // The box need not be as wide as the longest list of faces; its list is wider.
    m_fontList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_fontList->setMinimumContentsLength(8);
    m_fontList->view()->setMinimumWidth(220);
    rows->addWidget(makeRowLabel(QStringLiteral("Default Font:"), m_fontList, textTab), 0, 0);
    rows->addWidget(m_fontList, 0, 1, 1, 2);
    connect(m_fontList, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_fontsListed) {
            m_project.fontFamily = index < 0 ? Model::Choice() : Model::Choice(index);
            emit edited();
        }
    });
    addColourChooser(
        rows, 1, 1, QStringLiteral("Default Font Color:"), "fontColor", &Project::fontColor);
    m_fontSize = addChoice(rows, 2, 1, QStringLiteral("Default Font Size:"), "ComboBox5",
        entriesOf(Model::Lists::FontSizes), &Project::fontSize);
    m_sizeUnit = new QLabel(textTab);
    m_sizeUnit->setObjectName(QStringLiteral("sizeUnitLabel"));
    m_sizeUnit->setMinimumWidth(20);
    rows->addWidget(m_sizeUnit, 2, 2);
    connect(m_fontSize, &QComboBox::currentIndexChanged, this, &OptionsPane::updateSizeUnit);
    addChoice(rows, 3, 1, QStringLiteral("Default Font Variant:"), "ComboBox6",
        entriesOf(Model::Lists::FontVariants), &Project::fontVariant);
    rows->setColumnStretch(1, 1);
    createFontSample(textTab, rows);
}

void OptionsPane::createFontSample(QWidget *textTab, QGridLayout *rows)
{
    m_sample = new QFrame(textTab);
    m_sample->setObjectName(QStringLiteral("fontSample"));
    m_sample->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_sample->setFixedSize(129, 65);
    m_sampleText = new QLabel(QStringLiteral("Aa Bb Cc"), m_sample);
    m_sampleText->setObjectName(QStringLiteral("fontSampleText"));
    m_sampleText->setAlignment(Qt::AlignCenter);
    m_sampleText->setGeometry(2, 2, 125, 61);
    QFont sampleFont = m_sampleText->font();
    sampleFont.setPixelSize(19);
    m_sampleText->setFont(sampleFont);
    m_sample->hide();
    rows->addWidget(m_sample, 0, 3, 4, 1, Qt::AlignTop | Qt::AlignRight);
    rows->setColumnMinimumWidth(3, 133);
    m_sampleTimer.setInterval(1);
    connect(&m_sampleTimer, &QTimer::timeout, this, &OptionsPane::followHighlightedFont);
    connect(m_fontList, &FontListBox::droppedDown, this, &OptionsPane::showFontSample);
    m_fontList->installEventFilter(this);
}

void OptionsPane::createLinksTab()
{
    QGridLayout *rows = nullptr;
    QWidget *linksTab = addTab(QStringLiteral("Links"), QStringLiteral(" Link Options "), rows);
    struct LinkRow
    {
        const char *label;
        const char *name;
        Model::ColorChoice Project::*colour;
        const char *decorationBox;
        Model::Choice Project::*decoration;
    };
    const LinkRow linkRows[] = {
        { "Link:", "linkColor", &Project::linkColor, "ComboBox1", &Project::linkDecoration },
        { "Hover:", "hoverColor", &Project::hoverColor, "ComboBox2", &Project::hoverDecoration },
        { "Active:", "activeColor", &Project::activeColor, "ComboBox3",
            &Project::activeDecoration },
        { "Visited:", "visitedColor", &Project::visitedColor, "ComboBox4",
            &Project::visitedDecoration },
    };
    int row = 0;
    for (const LinkRow &link : linkRows) {
        addColourChooser(rows, row, 1, QString::fromLatin1(link.label), link.name, link.colour);
        auto *divider = new QFrame(linksTab);
        divider->setFrameStyle(QFrame::VLine | QFrame::Sunken);
        rows->addWidget(divider, row, 2);
        QComboBox *decoration = addChoice(rows, row, 4, QStringLiteral("Decoration:"),
            link.decorationBox, entriesOf(Model::Lists::Decorations), link.decoration);
        decoration->setAccessibleName(
            QString::fromLatin1(link.label).chopped(1) + QStringLiteral(" decoration"));
        ++row;
    }
    rows->setColumnStretch(4, 1);
}

void OptionsPane::createListsTab()
{
    QGridLayout *rows = nullptr;
    addTab(QStringLiteral("Lists"), QStringLiteral(" List Options "), rows);
    addChoice(rows, 0, 1, QStringLiteral("List Style Type:"), "ComboBox7",
        entriesOf(Model::Lists::ListStyles), &Project::listStyleType);
    rows->setColumnStretch(2, 1);
}

void OptionsPane::createImagesTab()
{
    QGridLayout *rows = nullptr;
    addTab(QStringLiteral("Images"), QStringLiteral(" Image Options "), rows);
    addChoice(rows, 0, 1, QStringLiteral("Image Border Type:"), "ComboBox9",
        entriesOf(Model::Lists::BorderStyles), &Project::imageBorderStyle);
    addChoice(rows, 1, 1, QStringLiteral("Image Border Size:"), "ComboBox8",
        entriesOf(Model::Lists::BorderSizes), &Project::imageBorderWidth);
    addColourChooser(rows, 2, 1, QStringLiteral("Image Border Color:"), "imageBorderColor",
        &Project::imageBorderColor);
    rows->setColumnStretch(2, 1);
}

void OptionsPane::createGeneralTab()
{
    QGridLayout *rows = nullptr;
    QWidget *generalTab = addTab(
        QStringLiteral("General Page Settings"), QStringLiteral(" General Page Settings "), rows);
    auto *heading = new QLabel(QStringLiteral("Miscellaneous Page Additions:"), generalTab);
    Widgets::makeGreyCell(heading);
    rows->addWidget(heading, 0, 0);
    addFlag(rows, 1, QStringLiteral("&Add textual navigation to the bottom of each page"),
        QStringLiteral("Add textual navigation to the bottom of each page"), "CheckBox1",
        &Project::addTextNavigation);
    addFlag(rows, 2, QStringLiteral("A&dd copyright information to the bottom of each page"),
        QStringLiteral("Add copyright information to the bottom of each page"), "CheckBox2",
        &Project::addCopyrightFooter);
    // Every published site carries the made-in line; the box only shows that.
    const QString program = QString::fromLatin1(Platform::ProgramNameAndVersion);
    QCheckBox *madeIn
        = addFlag(rows, 3, QStringLiteral("Add \" &Website Made In %1 \" link").arg(program),
            QStringLiteral("Add \" Website Made In %1 \" link").arg(program), "CheckBox3",
            &Project::addMadeWithLink);
    madeIn->setEnabled(false);
    // The site map flag is only carried in project files; its box is never shown.
    QCheckBox *sitemap = addFlag(rows, 4, QStringLiteral("&Generate Sitemap for website"),
        QStringLiteral("Generate Sitemap for website"), "CheckBox28", &Project::generateSitemap);
    sitemap->setVisible(false);
    addPictureSettings(rows, 5);
}

void OptionsPane::addPictureSettings(QGridLayout *rows, int row)
{
    QWidget *tab = rows->parentWidget();
    auto *heading = new QLabel(QStringLiteral("Pictures:"), tab);
    Widgets::makeGreyCell(heading);
    rows->addWidget(heading, row, 0);
    m_webReady = new QCheckBox(QStringLiteral("Make pictures &web-ready"), tab);
    m_webReady->setObjectName(QStringLiteral("webReadyPictures"));
    const QString hint = QStringLiteral(
        "Make pictures web-ready: publish smaller, upright copies of large photos, without the "
        "place they were taken. Your own pictures are not changed.");
    m_webReady->setAccessibleName(QStringLiteral("Make pictures web-ready"));
    m_webReady->setAccessibleDescription(hint);
    Widgets::setHint(m_webReady, hint);
    rows->addWidget(m_webReady, row + 1, 0);

    auto *sizeRow = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("&Longest side of a published picture:"), tab);
    m_longEdge = new QSpinBox(tab);
    m_longEdge->setObjectName(QStringLiteral("pictureLongEdge"));
    m_longEdge->setRange(Model::SmallestLongEdge, Model::LargestLongEdge);
    m_longEdge->setSingleStep(160);
    m_longEdge->setSuffix(QStringLiteral(" pixels"));
    m_longEdge->setAccessibleName(QStringLiteral("Longest side of a published picture"));
    Widgets::setHint(m_longEdge,
        QStringLiteral("Larger pictures are scaled down to this size when the site is published"));
    label->setBuddy(m_longEdge);
    sizeRow->addSpacing(20);
    sizeRow->addWidget(label);
    sizeRow->addWidget(m_longEdge);
    sizeRow->addStretch(1);
    rows->addLayout(sizeRow, row + 2, 0);

    connect(m_webReady, &QCheckBox::toggled, this, &OptionsPane::editPictureSettings);
    connect(m_longEdge, &QSpinBox::valueChanged, this, &OptionsPane::editPictureSettings);
}

void OptionsPane::showPictureSettings()
{
    const Model::PictureSettings pictures = Model::picturesOf(m_project.settings);
    const QSignalBlocker blockBox(m_webReady);
    const QSignalBlocker blockSize(m_longEdge);
    m_webReady->setChecked(pictures.webReady);
    m_longEdge->setValue(pictures.longEdge);
    m_longEdge->setEnabled(pictures.webReady);
}

void OptionsPane::editPictureSettings()
{
    const Model::PictureSettings pictures { m_webReady->isChecked(), m_longEdge->value() };
    m_longEdge->setEnabled(pictures.webReady);
    if (pictures == Model::picturesOf(m_project.settings))
        return;
    Model::setPictures(m_project.settings, pictures);
    emit edited();
}

QWidget *OptionsPane::addTab(const QString &title, const QString &groupTitle, QGridLayout *&rows)
{
    auto *tab = new QWidget(m_tabs);
    m_tabs->addTab(tab, title);
    auto *tabLayout = new QVBoxLayout(tab);
    tabLayout->setContentsMargins(6, 6, 6, 6);
    auto *group = new QGroupBox(groupTitle, tab);
    tabLayout->addWidget(group, 1);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->setContentsMargins(8, 10, 8, 8);
    rows = new QGridLayout;
    rows->setHorizontalSpacing(6);
    rows->setVerticalSpacing(8);
    groupLayout->addLayout(rows);
    groupLayout->addStretch(1);
    QPushButton *help = Widgets::addHelpRow(
        groupLayout, group, QStringLiteral("optionsHelp") + QString::number(m_tabs->count()));
    connect(help, &QPushButton::clicked, this, &OptionsPane::helpRequested);
    // The controls sit on the group box so that their row labels line up inside its frame.
    return group;
}

QComboBox *OptionsPane::addChoice(QGridLayout *rows, int row, int column, const QString &label,
    const char *objectName, const QStringList &entries, Model::Choice Project::*field)
{
    QWidget *group = rows->parentWidget();
    auto *box = new QComboBox(group);
    box->setObjectName(QLatin1String(objectName));
    box->addItems(entries);
    box->setMaxVisibleItems(16);
    rows->addWidget(makeRowLabel(label, box, group), row, column - 1);
    rows->addWidget(box, row, column);
    m_choices.append({ field, box });
    connect(box, &QComboBox::currentIndexChanged, this, [this, field](int index) {
        m_project.*field = index < 0 ? Model::Choice() : Model::Choice(index);
        emit edited();
    });
    return box;
}

void OptionsPane::addColourChooser(QGridLayout *rows, int row, int column, const QString &label,
    const char *objectName, Model::ColorChoice Project::*field)
{
    QWidget *group = rows->parentWidget();
    const QString name = QLatin1String(objectName);
    auto *cell = new QWidget(group);
    auto *cellLayout = new QHBoxLayout(cell);
    cellLayout->setContentsMargins(0, 0, 0, 0);
    cellLayout->setSpacing(4);
    auto *swatch = new QFrame(cell);
    swatch->setObjectName(name + QStringLiteral("Swatch"));
    swatch->setFixedSize(17, 19);
    swatch->setFrameStyle(QFrame::Box | QFrame::Plain);
    swatch->setAutoFillBackground(true);
    swatch->setFocusPolicy(Qt::NoFocus);
    auto *button = new QToolButton(cell);
    button->setObjectName(name + QStringLiteral("Button"));
    button->setText(QStringLiteral("..."));
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    Widgets::fixButtonSize(button, QSize(22, 20));
    Widgets::setHint(button, QStringLiteral("Choose color"));
    auto *text = new QLabel(cell);
    text->setObjectName(name + QStringLiteral("Text"));
    text->setMinimumWidth(60);
    cellLayout->addWidget(swatch);
    cellLayout->addWidget(button);
    cellLayout->addWidget(text);
    cellLayout->addStretch(1);
    rows->addWidget(makeRowLabel(label, button, group), row, column - 1);
    rows->addWidget(cell, row, column);
    QString accessible = label;
    accessible.chop(1);
    button->setAccessibleName(accessible + QStringLiteral(": Choose color"));
    m_colours.append({ field, swatch, button, text });
    const ColourChooser chooser = m_colours.constLast();
    connect(button, &QToolButton::clicked, this, [this, chooser] { chooseColour(chooser); });
}

QCheckBox *OptionsPane::addFlag(QGridLayout *rows, int row, const QString &caption,
    const QString &hint, const char *objectName, bool Project::*field)
{
    auto *box = new QCheckBox(caption, rows->parentWidget());
    box->setObjectName(QLatin1String(objectName));
    box->setAccessibleName(hint);
    Widgets::setHint(box, hint);
    rows->addWidget(box, row, 0);
    m_flags.append({ field, box });
    connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
        m_project.*field = on;
        emit edited();
    });
    return box;
}

namespace {

void showChoice(QComboBox *box, Model::Choice position)
{
    box->setCurrentIndex(position && *position < static_cast<std::size_t>(box->count())
            ? static_cast<int>(*position)
            : -1);
}

} // namespace

void OptionsPane::listFonts()
{
    if (m_fontsListed)
        return;
    m_fontList->addItems(m_fonts);
    m_fontsListed = true;
    showChoice(m_fontList, m_project.fontFamily);
}

void OptionsPane::showProject()
{
    if (m_fontsListed)
        showChoice(m_fontList, m_project.fontFamily);
    for (const ChoiceBox &choice : std::as_const(m_choices))
        showChoice(choice.box, m_project.*(choice.field));
    for (const ColourChooser &chooser : std::as_const(m_colours))
        showColour(chooser);
    for (const FlagBox &flag : std::as_const(m_flags))
        flag.box->setChecked(m_project.*(flag.field));
    showPictureSettings();
    updateSizeUnit();
}

void OptionsPane::chooseColour(const ColourChooser &chooser)
{
    Widgets::runCommand(m_dialogs, [&] {
        // One colour dialog serves every chooser and is not preset from the field: it opens on
        // the colour it held when it last closed, and Cancel leaves that colour, which then
        // applies.
        if (const std::optional<Platform::Colour> chosen = m_dialogs.chooseColour(m_dialogColour))
            m_dialogColour = *chosen;
        m_project.*(chooser.field)
            = Model::colorChoice(m_dialogColour.red, m_dialogColour.green, m_dialogColour.blue);
        showColour(chooser);
        emit edited();
    });
}

void OptionsPane::showColour(const ColourChooser &chooser)
{
    const Model::ColorChoice &colour = m_project.*(chooser.field);
    QPalette palette = chooser.swatch->palette();
    palette.setColor(QPalette::Window, swatchColour(colour.swatch));
    chooser.swatch->setPalette(palette);
    chooser.text->setText(Widgets::fromCp1252(colour.text));
}

void OptionsPane::updateSizeUnit()
{
    m_sizeUnit->setText(
        m_fontSize->currentIndex() >= FirstNumericSize ? QStringLiteral("px") : QString());
}

void OptionsPane::showFontSample()
{
    m_sample->show();
    m_sampleTimer.start();
    QFont font = m_sampleText->font();
    font.setFamily(m_fontList->currentText());
    m_sampleText->setFont(font);
}

void OptionsPane::followHighlightedFont()
{
    // While the list is open its view's current entry is the highlighted one.
    const QModelIndex highlighted = m_fontList->view()->currentIndex();
    if (!highlighted.isValid())
        return;
    const QString face = m_fontList->itemText(highlighted.row());
    if (m_sampleText->font().family() == face)
        return;
    QFont font = m_sampleText->font();
    font.setFamily(face);
    m_sampleText->setFont(font);
}

void OptionsPane::hideFontSample()
{
    m_sample->hide();
    m_sampleTimer.stop();
}

bool OptionsPane::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_fontList && event->type() == QEvent::Show)
        listFonts();
    if (watched == m_fontList && event->type() == QEvent::FocusOut) {
        // Dropping the list down moves the focus into its popup; that is not leaving it.
        const QWidget *now = QApplication::focusWidget();
        const bool intoPopup = static_cast<QFocusEvent *>(event)->reason() == Qt::PopupFocusReason
            || (now && now->window() == m_fontList->view()->window());
        if (!intoPopup)
            hideFontSample();
    } else if (watched == m_tabs->tabBar()) {
        QTabBar *bar = m_tabs->tabBar();
        int lit = -1;
        if (event->type() == QEvent::MouseMove)
            lit = bar->tabAt(static_cast<QMouseEvent *>(event)->position().toPoint());
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::Leave) {
            for (int tab = 0; tab < bar->count(); ++tab)
                bar->setTabTextColor(tab,
                    tab == lit ? bar->palette().color(QPalette::Highlight)
                               : bar->palette().color(QPalette::WindowText));
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace App
