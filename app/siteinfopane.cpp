#include "app/siteinfopane.h"

#include "project/sitefinding.h"

#include "app/uiparts.h"
#include "assets/icons.h"
#include "platform/userfolders.h"
#include "widgets/cp1252text.h"
#include "widgets/panelparts.h"
#include "widgets/runcommand.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace App {

using Model::Project;

namespace {

constexpr QSize LogoPreviewSize(32, 24);

} // namespace

SiteInfoPane::SiteInfoPane(Model::PageSelection &selection, const Model::ChoiceLists &lists,
    Platform::Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
    , m_selection(selection)
    , m_project(selection.project())
    , m_lists(lists)
    , m_dialogs(dialogs)
{
    QGroupBox *group = makePaneGroup(this, QStringLiteral(" Site Info "));
    m_rows = new QGridLayout;
    m_rows->setHorizontalSpacing(4);
    m_rows->setVerticalSpacing(6);
    m_rows->setColumnMinimumWidth(0, 132);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->setContentsMargins(8, 10, 8, 8);
    groupLayout->addLayout(m_rows);
    groupLayout->addStretch(1);

    createSiteTypeRow(group);
    createTemplateRow(group);
    // Each box says what it wants before anything is typed in it.
    QLineEdit *title = addTextRow("Edit2", QStringLiteral("Site Title"),
        QStringLiteral("Enter the title of your website, e.g. your "
                       "company name"),
        &Project::siteTitle);
    title->setPlaceholderText(QStringLiteral("the site's name, e.g. Rosie's Bakery"));
    QLineEdit *description = addTextRow("Edit3", QStringLiteral("Site Description:"),
        QStringLiteral("Enter a good description of your website"), &Project::siteDescription);
    description->setPlaceholderText(
        QStringLiteral("one sentence, e.g. Fresh bread and cakes baked every morning"));
    QLineEdit *keywords = addTextRow("Edit4", QStringLiteral("Describing Keywords:"),
        QStringLiteral("Enter keywords (separated by commas) that "
                       "best describe your website"),
        &Project::siteKeywords);
    keywords->setPlaceholderText(
        QStringLiteral("words people search for, e.g. bakery, bread, cakes"));
    QLineEdit *copyright = addTextRow("Edit5", QStringLiteral("Copyright:"),
        QStringLiteral("If your website is copyrighted, enter the "
                       "years of copyright, separated by commas "
                       "(e.g. 2002, 2003)"),
        &Project::copyrightYears);
    copyright->setPlaceholderText(QStringLiteral("years, e.g. 2024-2026"));

    createLogoRow(group);
    addTextRow("Edit7", QStringLiteral("Site/Company Slogan:"),
        QStringLiteral("Enter your website slogan (if applicable)"), &Project::slogan);
    createAddressRow(group);

    m_help = Widgets::addHelpRow(groupLayout, group, QStringLiteral("siteInfoHelp"));
    connect(m_help, &QPushButton::clicked, this, &SiteInfoPane::helpRequested);

    setTabOrders();

    showProject();
}

void SiteInfoPane::createSiteTypeRow(QWidget *group)
{
    auto *typeBox = new QWidget(group);
    auto *typeLayout = new QHBoxLayout(typeBox);
    typeLayout->setContentsMargins(0, 0, 0, 0);
    m_personal = new QRadioButton(QStringLiteral("&Personal"), typeBox);
    m_personal->setObjectName(QStringLiteral("RadioButton1"));
    Widgets::setHint(m_personal, QStringLiteral("Personal website"));
    m_business = new QRadioButton(QStringLiteral("&Business"), typeBox);
    m_business->setObjectName(QStringLiteral("RadioButton2"));
    Widgets::setHint(m_business, QStringLiteral("Commercial/business website"));
    typeLayout->addWidget(m_personal);
    typeLayout->addSpacing(24);
    typeLayout->addWidget(m_business);
    typeLayout->addStretch(1);
    m_rows->addWidget(makeRowLabel(QStringLiteral("Site Type:"), typeBox, group), 0, 0);
    m_rows->addWidget(typeBox, 0, 1);
    typeBox->setAccessibleName(QString());
    m_personal->setAccessibleName(QStringLiteral("Personal"));
    m_business->setAccessibleName(QStringLiteral("Business"));
    connect(m_personal, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            choosePersonalSite();
    });
    connect(m_business, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            chooseBusinessSite();
    });
}

void SiteInfoPane::createTemplateRow(QWidget *group)
{
    auto *templateBox = new QWidget(group);
    auto *templateLayout = new QHBoxLayout(templateBox);
    templateLayout->setContentsMargins(0, 0, 0, 0);
    m_templates = new QComboBox(templateBox);
    m_templates->setObjectName(QStringLiteral("ComboBox10"));
    for (const std::string &name : m_lists.templates)
        m_templates->addItem(Widgets::fromCp1252(name));
    m_templateViewer = new QToolButton(templateBox);
    m_templateViewer->setObjectName(QStringLiteral("templateViewerButton"));
    m_templateViewer->setText(QStringLiteral("&Template Viewer"));
    m_templateViewer->setIcon(Assets::icon("template-viewer"));
    m_templateViewer->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_templateViewer->setAutoRaise(true);
    m_templateViewer->setAccessibleName(QStringLiteral("Template Viewer"));
    Widgets::setHint(m_templateViewer, QStringLiteral("Open Template Viewer"));
    templateLayout->addWidget(m_templates, 1);
    templateLayout->addWidget(m_templateViewer);
    m_rows->addWidget(makeRowLabel(QStringLiteral("Choose A Template:"), m_templates, group), 1, 0);
    m_rows->addWidget(templateBox, 1, 1);
    connect(m_templates, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_project.templateName = index < 0 ? Model::Choice() : Model::Choice(index);
        emit edited();
    });
    connect(m_templateViewer, &QToolButton::clicked, this, &SiteInfoPane::templateViewerRequested);
}

void SiteInfoPane::createLogoRow(QWidget *group)
{
    // Logo: filled only through its button.
    auto *logoBox = new QWidget(group);
    auto *logoLayout = new QHBoxLayout(logoBox);
    logoLayout->setContentsMargins(0, 0, 0, 0);
    logoLayout->setSpacing(0);
    m_logo = new QLineEdit(logoBox);
    m_logo->setObjectName(QStringLiteral("Edit6"));
    m_logo->setReadOnly(true);
    Widgets::setHint(m_logo, QStringLiteral("Specify your website logo image (if applicable)"));
    m_logoButton = new QToolButton(logoBox);
    m_logoButton->setObjectName(QStringLiteral("logoButton"));
    m_logoButton->setIcon(Assets::icon("open-logo"));
    m_logoButton->setText(QStringLiteral("..."));
    m_logoButton->setAccessibleName(QStringLiteral("Open logo image"));
    Widgets::setHint(m_logoButton, QStringLiteral("Open logo image"));
    Widgets::fixButtonSize(m_logoButton, QSize(22, 22));
    m_logoClear = new QToolButton(logoBox);
    m_logoClear->setObjectName(QStringLiteral("logoClearButton"));
    m_logoClear->setIcon(Assets::icon("edit-delete"));
    m_logoClear->setText(QStringLiteral("Clear"));
    m_logoClear->setAccessibleName(QStringLiteral("Remove logo image"));
    Widgets::setHint(m_logoClear, QStringLiteral("Remove logo image"));
    Widgets::fixButtonSize(m_logoClear, QSize(22, 22));
    m_logoPreview = new QLabel(logoBox);
    m_logoPreview->setObjectName(QStringLiteral("logoPreview"));
    m_logoPreview->setAccessibleName(QStringLiteral("Logo preview"));
    m_logoPreview->setFixedSize(LogoPreviewSize);
    m_logoPreview->setAlignment(Qt::AlignCenter);
    logoLayout->addWidget(m_logo, 1);
    logoLayout->addWidget(m_logoButton);
    logoLayout->addWidget(m_logoClear);
    logoLayout->addSpacing(4);
    logoLayout->addWidget(m_logoPreview);
    // The box cannot be typed in; Delete and Backspace in it remove the logo.
    m_logo->installEventFilter(this);
    const int logoRow = m_rows->rowCount();
    m_rows->addWidget(makeRowLabel(QStringLiteral("Site/CompanyLogo:"), m_logo, group), logoRow, 0);
    m_rows->addWidget(logoBox, logoRow, 1);
    connect(m_logoButton, &QToolButton::clicked, this, &SiteInfoPane::chooseLogo);
    connect(m_logoClear, &QToolButton::clicked, this, &SiteInfoPane::clearLogo);
}

void SiteInfoPane::createAddressRow(QWidget *group)
{
    // The site's own address on the web: it gives the site a sitemap, canonical addresses
    // and link previews with pictures.
    m_address = new QLineEdit(group);
    m_address->setObjectName(QStringLiteral("siteAddressEdit"));
    m_address->setAccessibleName(QStringLiteral("Website address"));
    m_address->setPlaceholderText(QStringLiteral("e.g. https://www.rosiesbakery.example/"));
    Widgets::setHint(m_address,
        QStringLiteral("The address of your website once it is online, for search engines and "
                       "link previews (if you have one)"));
    const int addressRow = m_rows->rowCount();
    m_rows->addWidget(
        makeRowLabel(QStringLiteral("Website address:"), m_address, group), addressRow, 0);
    m_rows->addWidget(m_address, addressRow, 1);
    connect(m_address, &QLineEdit::editingFinished, this, &SiteInfoPane::takeSiteAddress);
}

void SiteInfoPane::setTabOrders()
{
    // The text rows were added as title, description, keywords, copyright, then the slogan
    // below the logo.
    QList<QWidget *> order { m_personal, m_business, m_templates, m_templateViewer };
    for (const TextRow &row : m_textRows.first(4))
        order.append(row.edit);
    order << m_logo << m_logoButton << m_logoClear << m_textRows.last().edit << m_address << m_help;
    for (qsizetype next = 1; next < order.size(); ++next)
        setTabOrder(order[next - 1], order[next]);
}

QLineEdit *SiteInfoPane::addTextRow(
    const char *objectName, const QString &label, const QString &hint, std::string Project::*field)
{
    auto *group = m_rows->parentWidget() ? m_rows->parentWidget() : this;
    auto *edit = new QLineEdit(group);
    edit->setObjectName(QLatin1String(objectName));
    edit->setMaxLength(255);
    Widgets::setHint(edit, hint);
    const int row = m_rows->rowCount();
    m_rows->addWidget(makeRowLabel(label, edit, group), row, 0);
    m_rows->addWidget(edit, row, 1);
    connect(edit, &QLineEdit::textEdited, this, [this, field](const QString &text) {
        m_project.*field = Widgets::toCp1252(text);
        emit edited();
    });
    m_textRows.append({ edit, field });
    return edit;
}

void SiteInfoPane::showProject()
{
    const bool personal = m_project.siteType == Model::SiteType::Personal;
    (personal ? m_personal : m_business)->setChecked(true);
    QStringList templates;
    for (const std::string &name : m_lists.templates)
        templates.append(Widgets::fromCp1252(name));
    QStringList shown;
    for (int i = 0; i < m_templates->count(); ++i)
        shown.append(m_templates->itemText(i));
    if (shown != templates) {
        // A template was added: the list is filled again, without choosing anything.
        const QSignalBlocker quiet(m_templates);
        m_templates->clear();
        m_templates->addItems(templates);
    }
    const auto position = m_project.templateName;
    m_templates->setCurrentIndex(
        position && *position < static_cast<std::size_t>(m_templates->count())
            ? static_cast<int>(*position)
            : -1);
    for (const TextRow &row : std::as_const(m_textRows))
        row.edit->setText(Widgets::fromCp1252(m_project.*(row.field)));
    m_address->setText(QString::fromStdString(Model::siteAddress(m_project)));
    m_refusedAddress.clear();
    showLogo();
}

void SiteInfoPane::takeSiteAddress()
{
    const QString typed = m_address->text();
    if (typed == m_refusedAddress)
        return; // told once already; focus leaving for the notice ends the editing again
    const std::string before = Model::siteAddress(m_project);
    const std::string refusal = Model::setSiteAddress(m_project, Widgets::toCp1252(typed));
    if (!refusal.empty()) {
        m_refusedAddress = typed;
        m_dialogs.notify({ Platform::ApplicationTitle, refusal, Platform::MessageIcon::Warning,
            Platform::MessageButtons::Ok });
        m_address->setFocus();
        m_address->selectAll();
        return;
    }
    m_refusedAddress.clear();
    const std::string after = Model::siteAddress(m_project);
    m_address->setText(QString::fromStdString(after));
    if (after != before)
        emit edited();
}

void SiteInfoPane::showLogo()
{
    m_logo->setText(Widgets::fromCp1252(m_project.logoPath));
    m_logoClear->setEnabled(!m_project.logoPath.empty());
    if (m_project.logoPath.empty()) {
        // No file is asked for: Qt would complain of a file without a name.
        m_logoPreview->setPixmap(QPixmap());
        m_logoPreview->setToolTip(QString());
        return;
    }
    // Only as much of the picture is read as the small preview needs.
    QImageReader reader(Widgets::fromCp1252(m_project.logoPath));
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid())
        reader.setScaledSize(size.scaled(LogoPreviewSize, Qt::KeepAspectRatio));
    const QImage picture = reader.read();
    m_logoPreview->setPixmap(QPixmap::fromImage(picture));
    if (picture.isNull())
        m_logoPreview->setToolTip(QStringLiteral("This picture cannot be shown"));
    else
        m_logoPreview->setToolTip(
            QStringLiteral("The logo, %1 x %2 pixels").arg(size.width()).arg(size.height()));
}

void SiteInfoPane::choosePersonalSite()
{
    m_selection.setSiteType(Model::SiteType::Personal);
    emit siteTypeChanged();
}

void SiteInfoPane::chooseBusinessSite()
{
    m_selection.setSiteType(Model::SiteType::Business);
    emit siteTypeChanged();
}

void SiteInfoPane::chooseLogo()
{
    Widgets::runCommand(m_dialogs, [this] {
        Platform::FileDialogSpec request;
        request.mode = Platform::FileDialogSpec::Mode::Open;
        request.title = "Open Image";
        // Every picture a browser shows first, so that no logo is hidden by a filter.
        request.filters = { { "All Pictures (*.jpeg; *.jpg; *.gif; *.png; *.svg; *.webp)",
                                "*.jpeg; *.jpg; *.gif; *.png; *.svg; *.webp" },
            { "JPEG (*.jpeg; *.jpg)", "*.jpeg; *.jpg" }, { "GIF (*.gif)", "*.gif" },
            { "PNG (*.png)", "*.png" }, { "All Files", "*.*" } };
        request.initialPath = Platform::dialogStartPath(m_lastLogo);
        const std::optional<std::string> chosen = m_dialogs.chooseFile(request);
        if (!chosen)
            return;
        m_lastLogo = *chosen;
        m_project.logoPath = *chosen;
        showLogo();
        emit edited();
    });
}

void SiteInfoPane::clearLogo()
{
    m_project.logoPath.clear();
    showLogo();
    emit edited();
}

bool SiteInfoPane::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_logo && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
            clearLogo();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace App
