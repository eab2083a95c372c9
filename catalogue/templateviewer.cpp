#include "catalogue/templateviewer.h"

#include "catalogue/templatearchive.h"
#include "catalogue/templatecatalogue.h"

#include "platform/jpegimage.h"
#include "platform/maker.h"
#include "platform/userfolders.h"
#include "widgets/cp1252text.h"
#include "widgets/runcommand.h"
#include "widgets/windowbehaviour.h"

#include <QComboBox>
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
constexpr double MinimumFontSize = 7.0;

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
    setFixedSize(407, 190);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 8, 8);
    layout->setSpacing(8);
    layout->addWidget(createPictureFrame(), 0, Qt::AlignTop);
    layout->addLayout(createControls());

    setTabOrder(m_addTemplate, m_downloadMore);
    setTabOrder(m_downloadMore, m_templates);
    setTabOrder(m_templates, m_use);
    setTabOrder(m_use, m_close);
    fitTextsToWindow();
    Widgets::centreWhenShown(this);
}

void TemplateViewer::fitTextsToWindow()
{
    // The window has a fixed size; a desktop font wider than the one it was laid out for
    // would cut the captions of the right-hand column, so the window's font shrinks until
    // they fit.
    const auto cramped = [this] {
        for (const QWidget *control : { static_cast<QWidget *>(m_label),
                 static_cast<QWidget *>(m_use), static_cast<QWidget *>(m_addTemplate),
                 static_cast<QWidget *>(m_downloadMore), static_cast<QWidget *>(m_close) }) {
            if (control->sizeHint().width() > ControlsWidth)
                return true;
        }
        return layout()->totalMinimumSize().height() > height();
    };
    QFont font = this->font();
    while (cramped() && font.pointSizeF() > MinimumFontSize) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        setFont(font);
        layout()->invalidate();
    }
}

QWidget *TemplateViewer::createPictureFrame()
{
    auto *frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);
    frame->setFixedSize(PreviewSize + QSize(4, 4));

    // The preview is drawn at its own size from the top-left corner and cut off at the edges.
    m_picture = new QLabel(frame);
    m_picture->setObjectName(QStringLiteral("Image1"));
    m_picture->setGeometry(QRect(QPoint(2, 2), PreviewSize));
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picture->setAccessibleName(QStringLiteral("Template preview"));
    return frame;
}

QLayout *TemplateViewer::createControls()
{
    auto *column = new QVBoxLayout;
    column->setSpacing(6);

    auto *label = new QLabel(QStringLiteral("Select a template to view:"), this);
    label->setObjectName(QStringLiteral("Label1"));
    m_label = label;

    m_templates = new QComboBox(this);
    m_templates->setObjectName(QStringLiteral("ComboBox1"));
    m_templates->setFixedWidth(ControlsWidth);
    m_templates->setAccessibleName(QStringLiteral("Select a template to view"));
    label->setBuddy(m_templates);
    connect(
        m_templates, &QComboBox::currentIndexChanged, this, &TemplateViewer::showChosenTemplate);

    m_use = new QPushButton(QStringLiteral("&Use This Template"), this);
    m_use->setObjectName(QStringLiteral("Button3"));
    m_use->setToolTip(QStringLiteral("Use the shown template for this website"));
    m_use->setFixedWidth(ControlsWidth);
    connect(m_use, &QPushButton::clicked, this, &TemplateViewer::useShownTemplate);
    m_addTemplate = new QPushButton(QStringLiteral("&Add Template..."), this);
    m_addTemplate->setObjectName(QStringLiteral("addTemplate"));
    m_addTemplate->setToolTip(QStringLiteral("Add a template from a .zip archive"));
    m_addTemplate->setFixedWidth(ControlsWidth);
    connect(m_addTemplate, &QPushButton::clicked, this, &TemplateViewer::addTemplate);

    m_downloadMore = new QPushButton(QStringLiteral("&Download More Templates"), this);
    m_downloadMore->setObjectName(QStringLiteral("Button1"));
    m_downloadMore->setToolTip(QStringLiteral("Download more templates"));
    m_downloadMore->setFixedWidth(ControlsWidth);
    connect(m_downloadMore, &QPushButton::clicked, this, &TemplateViewer::downloadMoreTemplates);

    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->setObjectName(QStringLiteral("Button2"));
    m_close->setToolTip(QStringLiteral("Close Template Viewer"));
    m_close->setFixedWidth(ControlsWidth);
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
        m_picture->setPixmap(QPixmap::fromImage(preview));
    });
}

} // namespace Catalogue
