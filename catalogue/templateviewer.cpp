#include "catalogue/templateviewer.h"

#include "catalogue/templatearchive.h"
#include "catalogue/templatecatalogue.h"

#include "platform/jpegimage.h"
#include "platform/maker.h"
#include "platform/userfolders.h"
#include "widgets/cp1252text.h"
#include "widgets/panelparts.h"
#include "widgets/runcommand.h"
#include "widgets/windowbehaviour.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace Catalogue {

namespace {

constexpr QSize PreviewSize(201, 145);
constexpr int ControlsWidth = 185;

} // namespace

TemplateViewer::TemplateViewer(Platform::Dialogs &dialogs, std::string homeDir, QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
            | Qt::WindowStaysOnTopHint)
    , m_dialogs(dialogs)
    , m_homeDir(std::move(homeDir))
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Template Viewer"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 3, 8);
    layout->setSpacing(8);
    layout->addWidget(createPictureFrame(), 1);
    layout->addLayout(createControls());

    setTabOrder(m_addTemplate, m_downloadMore);
    setTabOrder(m_downloadMore, m_templates);
    setTabOrder(m_templates, m_use);
    setTabOrder(m_use, m_close);
    Widgets::rememberPlace(this, QSize(407, 190));
}

QWidget *TemplateViewer::createPictureFrame()
{
    auto *frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);
    frame->setMinimumSize(PreviewSize + QSize(4, 4));
    frame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    m_picture = new QLabel(frame);
    m_picture->setObjectName(QStringLiteral("Image1"));
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picture->setAccessibleName(QStringLiteral("Template preview"));
    m_picture->setMinimumSize(PreviewSize);
    m_picture->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_picture->installEventFilter(this);
    auto *inside = new QVBoxLayout(frame);
    inside->setContentsMargins(0, 0, 0, 0);
    inside->addWidget(m_picture);
    return frame;
}

void TemplateViewer::fitPreview()
{
    // A preview smaller than its place grows with the window, keeping its shape; a larger
    // one is drawn at its own size from the top-left corner and cut off at the edges.
    if (m_preview.isNull())
        return;
    const QSize place = m_picture->size();
    if (m_preview.width() < place.width() && m_preview.height() < place.height())
        m_picture->setPixmap(
            m_preview.scaled(place, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        m_picture->setPixmap(m_preview);
}

bool TemplateViewer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_picture && event->type() == QEvent::Resize)
        fitPreview();
    return QDialog::eventFilter(watched, event);
}

QLayout *TemplateViewer::createControls()
{
    auto *column = new QVBoxLayout;
    column->setSpacing(6);

    auto *label = new QLabel(QStringLiteral("Select a template to view:"), this);
    label->setObjectName(QStringLiteral("Label1"));

    m_templates = new QComboBox(this);
    m_templates->setObjectName(QStringLiteral("ComboBox1"));
    Widgets::keepAtLeast(m_templates, QSize(ControlsWidth, 0));
    m_templates->setAccessibleName(QStringLiteral("Select a template to view"));
    label->setBuddy(m_templates);
    connect(
        m_templates, &QComboBox::currentIndexChanged, this, &TemplateViewer::showChosenTemplate);

    m_use = new QPushButton(QStringLiteral("&Use This Template"), this);
    m_use->setObjectName(QStringLiteral("Button3"));
    m_use->setToolTip(QStringLiteral("Use the shown template for this website"));
    Widgets::keepAtLeast(m_use, QSize(ControlsWidth, 0));
    connect(m_use, &QPushButton::clicked, this, &TemplateViewer::useShownTemplate);
    m_addTemplate = new QPushButton(QStringLiteral("&Add Template..."), this);
    m_addTemplate->setObjectName(QStringLiteral("addTemplate"));
    m_addTemplate->setToolTip(QStringLiteral("Add a template from a .zip archive"));
    Widgets::keepAtLeast(m_addTemplate, QSize(ControlsWidth, 0));
    connect(m_addTemplate, &QPushButton::clicked, this, &TemplateViewer::addTemplate);

    m_downloadMore = new QPushButton(QStringLiteral("&Download More Templates"), this);
    m_downloadMore->setObjectName(QStringLiteral("Button1"));
    m_downloadMore->setToolTip(QStringLiteral("Download more templates"));
    Widgets::keepAtLeast(m_downloadMore, QSize(ControlsWidth, 0));
    connect(m_downloadMore, &QPushButton::clicked, this, &TemplateViewer::downloadMoreTemplates);

    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->setObjectName(QStringLiteral("Button2"));
    m_close->setToolTip(QStringLiteral("Close Template Viewer"));
    Widgets::keepAtLeast(m_close, QSize(ControlsWidth, 0));
    connect(m_close, &QPushButton::clicked, this, &TemplateViewer::closeViewer);

    column->addWidget(label);
    column->addWidget(m_templates);
    column->addStretch(1);
    column->addWidget(m_use);
    column->addWidget(m_addTemplate);
    column->addWidget(m_downloadMore);
    column->addWidget(m_close);
    return column;
}

bool TemplateViewer::openViewer(const std::vector<std::string> &catalogue)
{
    if (!prepareViewer(catalogue))
        return false;
    exec();
    return true;
}

bool TemplateViewer::prepareViewer(const std::vector<std::string> &catalogue)
{
    m_names = catalogue;
    {
        const QSignalBlocker quiet(m_templates);
        m_templates->clear();
        for (const std::string &name : m_names)
            m_templates->addItem(Widgets::fromCp1252(name));
        m_templates->setCurrentIndex(0);
    }
    m_downloadMore->setFocus();
    // Each opening starts again at the first template, whatever the project uses. With no
    // templates at all the name is empty, and so is the preview's file name.
    return showPreview(m_names.empty() ? std::string() : m_names.front());
}

void TemplateViewer::showChosenTemplate()
{
    const int index = m_templates->currentIndex();
    if (index >= 0 && static_cast<std::size_t>(index) < m_names.size())
        showPreview(m_names[static_cast<std::size_t>(index)]);
}

void TemplateViewer::setTemplateUser(std::function<void(std::size_t)> useTemplate)
{
    m_useTemplate = std::move(useTemplate);
}

void TemplateViewer::useShownTemplate()
{
    Widgets::runCommand(m_dialogs, [this] {
        const int index = m_templates->currentIndex();
        // With no templates there is nothing to use; the viewer still closes.
        if (index >= 0 && static_cast<std::size_t>(index) < m_names.size() && m_useTemplate)
            m_useTemplate(static_cast<std::size_t>(index));
        accept();
    });
}

void TemplateViewer::downloadMoreTemplates()
{
    Widgets::runCommand(m_dialogs, [this] { m_dialogs.openDocument(Platform::Maker::WebSite); });
}

void TemplateViewer::addTemplate()
{
    Widgets::runCommand(m_dialogs, [this] {
        Platform::FileDialogSpec request;
        request.mode = Platform::FileDialogSpec::Mode::Open;
        request.title = "Add Template";
        request.filters = { { "Template Archives (*.zip)", "*.zip" }, { "All Files", "*.*" } };
        request.initialPath = Platform::dialogStartPath(m_lastArchive);
        const std::optional<std::string> archive = m_dialogs.chooseFile(request);
        if (!archive)
            return;
        m_lastArchive = *archive;
        const std::optional<std::string> added
            = Catalogue::AddTemplateFromArchive(*archive, m_homeDir, m_dialogs);
        if (!added)
            return;
        prepareViewer(Catalogue::ListTemplates(m_homeDir));
        const auto position = std::find(m_names.begin(), m_names.end(), *added);
        m_templates->setCurrentIndex(static_cast<int>(position - m_names.begin()));
        m_dialogs.notify({ Platform::ApplicationTitle,
            "The template \"" + *added
                + "\" was added.\nIt can be chosen on the Site Info pane when Corvanta is started "
                  "again.",
            Platform::MessageIcon::Information, Platform::MessageButtons::Ok });
    });
}

void TemplateViewer::closeViewer()
{
    Widgets::runCommand(m_dialogs, [this] { accept(); });
}

bool TemplateViewer::showPreview(const std::string &name)
{
    return Widgets::runCommand(m_dialogs, [&] {
        const QImage preview
            = Platform::readJpegFile(Catalogue::TemplatePreviewPath(m_homeDir, name));
        m_preview = QPixmap::fromImage(preview);
        fitPreview();
    });
}

} // namespace Catalogue
