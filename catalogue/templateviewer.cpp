#include "catalogue/templateviewer.h"

#include "catalogue/templatearchive.h"
#include "catalogue/templatecatalogue.h"

#include "platform/fileerror.h"
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
#include <QProgressBar>
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

TemplateViewer::~TemplateViewer()
{
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
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

    // Shown while a template is being added, in place of the list's free room.
    m_addingRow = new QWidget(this);
    auto *addingLayout = new QHBoxLayout(m_addingRow);
    addingLayout->setContentsMargins(0, 0, 0, 0);
    m_addingProgress = new QProgressBar(m_addingRow);
    m_addingProgress->setObjectName(QStringLiteral("addingProgress"));
    m_addingProgress->setAccessibleName(QStringLiteral("Adding the template"));
    m_addingProgress->setFormat(QStringLiteral("Adding %p%"));
    m_cancelAdding = new QPushButton(QStringLiteral("Cancel"), m_addingRow);
    m_cancelAdding->setObjectName(QStringLiteral("cancelAdding"));
    m_cancelAdding->setToolTip(QStringLiteral("Stop adding the template"));
    m_cancelAdding->setAutoDefault(false);
    connect(m_cancelAdding, &QPushButton::clicked, this, &TemplateViewer::cancelAdding);
    addingLayout->addWidget(m_addingProgress, 1);
    addingLayout->addWidget(m_cancelAdding);
    m_addingRow->setVisible(false);

    // Enter means "Use This Template" wherever the focus is; the other buttons take Space.
    m_use = new QPushButton(QStringLiteral("&Use This Template"), this);
    m_use->setObjectName(QStringLiteral("Button3"));
    m_use->setToolTip(QStringLiteral("Use the shown template for this website"));
    m_use->setDefault(true);
    Widgets::keepAtLeast(m_use, QSize(ControlsWidth, 0));
    connect(m_use, &QPushButton::clicked, this, &TemplateViewer::useShownTemplate);
    m_addTemplate = new QPushButton(QStringLiteral("&Add Template..."), this);
    m_addTemplate->setObjectName(QStringLiteral("addTemplate"));
    m_addTemplate->setToolTip(QStringLiteral("Add a template from a .zip archive"));
    Widgets::keepAtLeast(m_addTemplate, QSize(ControlsWidth, 0));
    m_addTemplate->setAutoDefault(false);
    connect(m_addTemplate, &QPushButton::clicked, this, &TemplateViewer::addTemplate);

    m_downloadMore = new QPushButton(QStringLiteral("&Download More Templates"), this);
    m_downloadMore->setObjectName(QStringLiteral("Button1"));
    m_downloadMore->setToolTip(QStringLiteral("Download more templates"));
    Widgets::keepAtLeast(m_downloadMore, QSize(ControlsWidth, 0));
    m_downloadMore->setAutoDefault(false);
    connect(m_downloadMore, &QPushButton::clicked, this, &TemplateViewer::downloadMoreTemplates);

    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->setObjectName(QStringLiteral("Button2"));
    m_close->setToolTip(QStringLiteral("Close Template Viewer"));
    Widgets::keepAtLeast(m_close, QSize(ControlsWidth, 0));
    m_close->setAutoDefault(false);
    connect(m_close, &QPushButton::clicked, this, &TemplateViewer::closeViewer);

    column->addWidget(label);
    column->addWidget(m_templates);
    column->addWidget(m_addingRow);
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

void TemplateViewer::setCatalogueUser(
    std::function<void(const std::vector<std::string> &)> useCatalogue)
{
    m_useCatalogue = std::move(useCatalogue);
}

void TemplateViewer::addTemplate()
{
    Widgets::runCommand(m_dialogs, [this] {
        if (isAdding())
            return;
        Platform::FileDialogSpec request;
        request.mode = Platform::FileDialogSpec::Mode::Open;
        request.title = "Add Template";
        request.filters = { { "Template Archives (*.zip)", "*.zip" }, { "All Files", "*.*" } };
        // The folder of the last archive, with no name in the box: each archive is added once.
        const std::size_t slash = m_lastArchive.rfind('/');
        request.initialPath = Platform::dialogStartPath(
            slash == std::string::npos ? std::string() : m_lastArchive.substr(0, slash + 1));
        const std::optional<std::string> archive = m_dialogs.chooseFile(request);
        if (!archive)
            return;
        m_lastArchive = *archive;
        const std::string userFolder = Catalogue::UserTemplatesDirectory();
        if (userFolder.empty())
            throw Platform::FileError("No folder for the user's templates: HOME is not set");

        m_cancel = false;
        showAdding(true);
        m_worker = std::thread([this, archivePath = *archive, userFolder] {
            const auto post = [this](std::function<void()> work) {
                QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
            };
            const UnpackProgress progress {
                [&](int percent) { post([this, percent] { showAddingProgress(percent); }); },
                &m_cancel
            };
            try {
                m_staged = StagedTemplate::unpack(archivePath, userFolder, progress);
            } catch (...) {
                m_addingError = std::current_exception();
            }
            post([this] { finishAdding(); });
        });
    });
}

void TemplateViewer::finishAdding()
{
    m_worker.join();
    showAdding(false);
    std::unique_ptr<StagedTemplate> staged = std::move(m_staged);
    const std::exception_ptr error = std::exchange(m_addingError, nullptr);
    Widgets::runCommand(m_dialogs, [&] {
        if (error)
            std::rethrow_exception(error);
        if (!staged || !ConfirmReplacing(*staged, m_homeDir, m_dialogs))
            return;
        staged->install();
        const std::string added = staged->name();
        staged.reset();
        const std::vector<std::string> catalogue = Catalogue::ListTemplates(m_homeDir);
        if (m_useCatalogue)
            m_useCatalogue(catalogue);
        prepareViewer(catalogue);
        const auto position = std::find(m_names.begin(), m_names.end(), added);
        m_templates->setCurrentIndex(static_cast<int>(position - m_names.begin()));
        m_dialogs.notify({ Platform::ApplicationTitle,
            "The template \"" + added
                + "\" was added.\nIt can be chosen on the Site Info pane now.",
            Platform::MessageIcon::Information, Platform::MessageButtons::Ok });
    });
}

void TemplateViewer::cancelAdding()
{
    m_cancel = true;
    m_cancelAdding->setEnabled(false);
}

void TemplateViewer::reject()
{
    if (isAdding()) {
        cancelAdding();
        return;
    }
    QDialog::reject();
}

void TemplateViewer::showAdding(bool adding)
{
    for (QWidget *control : std::initializer_list<QWidget *> {
             m_templates, m_use, m_addTemplate, m_downloadMore, m_close })
        control->setEnabled(!adding);
    m_addingProgress->setRange(0, 100);
    m_addingProgress->setValue(0);
    m_cancelAdding->setEnabled(adding);
    m_addingRow->setVisible(adding);
    if (adding)
        m_cancelAdding->setFocus();
    else
        m_addTemplate->setFocus();
}

void TemplateViewer::showAddingProgress(int percent)
{
    // The share read is unknown for a pipe: the bar then only shows that work goes on.
    if (percent < 0) {
        m_addingProgress->setRange(0, 0);
        return;
    }
    m_addingProgress->setRange(0, 100);
    m_addingProgress->setValue(percent);
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
