#include "editor/previewpane.h"

#include "editor/pagetext.h"
#include "editor/previewbrowser.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"
#include "project/projectfiles.h"
#include "publish/previewpage.h"
#include "widgets/cp1252text.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QLabel>
#include <QSettings>
#include <QStackedWidget>
#include <QThreadPool>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <system_error>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace Editor {

namespace {

const QString PhoneWidthKey = QStringLiteral("previewPhoneWidth");

QSettings editorSettings()
{
    return QSettings(QStringLiteral("corvanta"), QStringLiteral("editor"));
}

/// Removes the earlier runs' folders inside `folder`, all but `keep` (the one shown).
void removeEarlierRuns(const std::string &folder, const std::string &keep)
{
    std::error_code error;
    const std::filesystem::path kept = Platform::nativePath(keep);
    for (const auto &entry :
        std::filesystem::directory_iterator(Platform::nativePath(folder), error)) {
        if (entry.path() != kept)
            std::filesystem::remove_all(entry.path(), error);
    }
}

PageChange pageChange(const Publish::PagePatch &patch)
{
    PageChange change;
    for (const std::size_t place : patch.path)
        change.path.append(static_cast<int>(place));
    change.parentName = QString::fromLatin1(patch.parentName);
    change.parentChildren = static_cast<int>(patch.parentChildren);
    change.first = static_cast<int>(patch.first);
    change.removed = static_cast<int>(patch.removed);
    change.removedShape = QString::fromLatin1(patch.removedShape);
    change.markup = Widgets::fromCp1252(patch.markup);
    change.addedShape = QString::fromLatin1(patch.addedShape);
    return change;
}

} // namespace

PreviewPane::PreviewPane(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PreviewPane"));
    setAccessibleName(QStringLiteral("Live preview"));
    m_pause = new QTimer(this);
    m_pause->setSingleShot(true);
    m_pause->setInterval(PauseMs);
    connect(m_pause, &QTimer::timeout, this, &PreviewPane::publish);
    m_caretPause = new QTimer(this);
    m_caretPause->setSingleShot(true);
    m_caretPause->setInterval(PauseMs);
    connect(m_caretPause, &QTimer::timeout, this, &PreviewPane::caretMoved);
    // One run at a time, so that two never write into the pane's folder together.
    m_worker = new QThreadPool(this);
    m_worker->setMaxThreadCount(1);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    createToolbar();
    column->addWidget(m_desk->parentWidget());

    m_stack = new QStackedWidget(this);
    m_browserHolder = new QWidget(m_stack);
    auto *holderRow = new QHBoxLayout(m_browserHolder);
    holderRow->setContentsMargins(0, 0, 0, 0);
    m_explanation = new QLabel(m_stack);
    m_explanation->setObjectName(QStringLiteral("previewExplanation"));
    m_explanation->setWordWrap(true);
    m_explanation->setAlignment(Qt::AlignCenter);
    m_explanation->setMargin(12);
    m_explanation->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_explanation->setText(QStringLiteral("Loading the preview..."));
    m_explanation->setAccessibleName(QStringLiteral("Preview message"));
    m_stack->addWidget(m_explanation);
    m_stack->addWidget(m_browserHolder);
    column->addWidget(m_stack, 1);

    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("previewNotice"));
    m_notice->setAccessibleName(QStringLiteral("Preview notice"));
    m_notice->setWordWrap(true);
    m_notice->hide();
    column->addWidget(m_notice);
}

PreviewPane::~PreviewPane()
{
    if (m_session)
        m_session->stopObserving(m_observer);
    // A run still going writes into the folder and reports here: it ends first.
    m_worker->waitForDone();
    if (!m_folder.empty()) {
        std::error_code error;
        std::filesystem::remove_all(Platform::nativePath(m_folder), error);
    }
}

void PreviewPane::createToolbar()
{
    auto *bar = new QWidget(this);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(2);
    const auto makeButton = [bar](const char *name, const QString &text, const QString &tip) {
        auto *button = new QToolButton(bar);
        button->setObjectName(QLatin1String(name));
        button->setText(text);
        button->setToolTip(tip);
        button->setAccessibleName(tip);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        return button;
    };
    m_desk = makeButton("previewDeskWidth", QStringLiteral("Desk"),
        QStringLiteral("Show the page at the pane's width"));
    m_phone = makeButton("previewPhoneWidth", QStringLiteral("Phone"),
        QStringLiteral("Show the page at a phone's width (390 pixels)"));
    auto *widths = new QButtonGroup(bar);
    widths->addButton(m_desk);
    widths->addButton(m_phone);
    const bool phone = editorSettings().value(PhoneWidthKey, false).toBool();
    m_desk->setChecked(!phone);
    m_phone->setChecked(phone);
    connect(m_desk, &QToolButton::clicked, this, [this] { setPhoneWidth(false); });
    connect(m_phone, &QToolButton::clicked, this, [this] { setPhoneWidth(true); });
    auto *title = new QLabel(QStringLiteral("Live Preview"), bar);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    row->addWidget(title);
    row->addStretch(1);
    row->addWidget(m_desk);
    row->addWidget(m_phone);
}

void PreviewPane::attach(
    Model::ProjectSession &session, std::string homeDir, QStringList modulePlaces)
{
    m_session = &session;
    m_homeDir = std::move(homeDir);
    m_modulePlaces = std::move(modulePlaces);
    // A save counts too: a project saved for the first time has its pictures beside it.
    m_observer = session.observe([this](Model::SessionChange) { projectChanged(); });
}

void PreviewPane::showEditorPage(Model::PageId page, PageText *text)
{
    if (m_text)
        disconnect(m_text, &PageText::cursorPositionChanged, m_caretPause, nullptr);
    m_text = text;
    connect(m_text, &PageText::cursorPositionChanged, m_caretPause, qOverload<>(&QTimer::start));
    if (page != m_page) {
        m_page = page;
        // Another page is shown at once, not after a pause.
        ++m_changes;
        m_runStop.request_stop();
        if (isVisible())
            publish();
    }
}

void PreviewPane::setPhoneWidth(bool phone)
{
    m_phone->setChecked(phone);
    m_desk->setChecked(!phone);
    editorSettings().setValue(PhoneWidthKey, phone);
    if (!m_browser)
        return;
    QWidget *view = m_browser->widget();
    // At a phone's width the page stands in the middle of the pane; otherwise it fills it.
    if (phone) {
        view->setFixedWidth(PhoneWidth);
        m_browserHolder->layout()->setAlignment(view, Qt::AlignHCenter);
    } else {
        view->setMinimumWidth(0);
        view->setMaximumWidth(QWIDGETSIZE_MAX);
        m_browserHolder->layout()->setAlignment(view, Qt::Alignment());
    }
}

std::string PreviewPane::shownFolder() const { return m_folder + "/shown"; }

bool PreviewPane::upToDate() const
{
    return m_browser && !m_publishing && !m_pause->isActive() && !m_loading
        && m_shownChanges == m_changes;
}

bool PreviewPane::phoneWidth() const { return m_phone->isChecked(); }

void PreviewPane::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The window shows first; the browser's libraries load just after.
    if (!m_browserTried)
        QTimer::singleShot(0, this, &PreviewPane::loadBrowser);
    else if (m_browser && m_shownFile.empty())
        publish();
    else if (m_browser && m_runs > 0)
        m_pause->start();
}

void PreviewPane::loadBrowser()
{
    if (m_browserTried)
        return;
    m_browserTried = true;
    try {
        m_folder = Publish::previewDirectory() + "/live-" + std::to_string(::getpid());
    } catch (const Platform::FileError &error) {
        m_explanation->setText(Widgets::fromCp1252(error.what()));
        return;
    }
    QString why;
    m_browser
        = loadPreviewBrowser(m_modulePlaces, Widgets::fromCp1252(m_folder), m_browserHolder, &why);
    if (!m_browser) {
        m_explanation->setText(
            QStringLiteral("The live preview needs the browser engine Qt WebEngine, which is not "
                           "installed on this computer.\n\nTo get it, install the package %1 "
                           "(for example with \"sudo apt install %1\") and start Corvanta "
                           "again.\n\nPreview (F12) still shows the page in your own browser.")
                .arg(QLatin1String(EnginePackage)));
        m_explanation->setToolTip(why);

        return;
    }
    m_browserHolder->layout()->addWidget(m_browser->widget());
    m_stack->setCurrentWidget(m_browserHolder);
    m_browser->pageShown = [this](bool) {
        m_loading = false;
        emit pageShown();
    };
    m_browser->textClicked
        = [this](int piece, int offset, int length) { textClicked(piece, offset, length); };
    m_browser->requestBlocked = [this](int) { updateNotice(); };
    setPhoneWidth(m_phone->isChecked());
    publish();
}

void PreviewPane::projectChanged()
{
    ++m_changes;
    m_runStop.request_stop();
    if (isVisible() && m_browser)
        m_pause->start();
}

void PreviewPane::publish()
{
    if (!m_session || !m_browser)
        return;
    if (m_publishing)
        return; // the run going on ends first; its end publishes again
    m_pause->stop();
    m_publishing = true;
    // What the run needs is taken now, on the window thread, in a moment however large the
    // pages; the run makes its own copy of the project from it.
    Model::ProjectSnapshot snapshot = m_session->snapshot();
    Model::ChoiceLists lists = m_session->lists();
    const std::string projectDirectory = m_session->fileName().empty()
        ? std::string()
        : Model::projectDirectoryOf(m_session->fileName());
    const std::string folder = m_folder + "/" + std::to_string(++m_runs);
    const Model::PageId page = m_page;
    const std::uint64_t changes = m_changes;
    // A change while the run goes on stops it: its page would be out of date.
    m_runStop = std::stop_source();
    m_worker->start([=, this, snapshot = std::move(snapshot), lists = std::move(lists),
                        cancel = m_runStop.get_token(), shown = m_shown, shownPage = m_shownPage] {
        removeEarlierRuns(m_folder, shownFolder());
        std::shared_ptr<Publish::LivePreview> preview;
        QString error;
        try {
            const Model::Project project = snapshot.project();
            const Publish::PublishRequest request { .project = project,
                .lists = lists,
                .homeDir = m_homeDir,
                .projectDirectory = projectDirectory,
                .cancel = cancel };
            preview = std::make_shared<Publish::LivePreview>(Publish::renderLivePreview(
                request, page, folder, { shown.get(), shownFolder(), shownPage }));
        } catch (const Platform::FileError &failure) {
            error = Widgets::fromCp1252(failure.what());
        } catch (const std::exception &failure) {
            error = QString::fromLocal8Bit(failure.what());
        }
        // The pane waits for its runs before it goes, so it is still there to be told.
        QMetaObject::invokeMethod(
            this, [=, this] { published(changes, page, folder, preview, error); },
            Qt::QueuedConnection);
    });
}

void PreviewPane::published(std::uint64_t changes, Model::PageId page, const std::string &folder,
    std::shared_ptr<Publish::LivePreview> preview, const QString &error)
{
    m_publishing = false;
    if (changes != m_changes) {
        // Newer text is waiting: this run's page is already out of date.
        if (!m_pause->isActive())
            publish();
        return;
    }
    m_error = error;
    if (!preview && page != m_shownPage) {
        // Another page's preview would mislead: the pane says why this one cannot be shown.
        m_explanation->setText(error);
        m_stack->setCurrentWidget(m_explanation);
    }
    if (preview) {
        m_stack->setCurrentWidget(m_browserHolder);
        // The browser always shows the same folder, so that showing the new page is a
        // reload: the new run's folder takes its place in one step.
        const std::string shown = shownFolder();
        if (::renameat2(AT_FDCWD, Platform::nativePath(folder).c_str(), AT_FDCWD,
                Platform::nativePath(shown).c_str(), RENAME_EXCHANGE)
            != 0) {
            std::error_code ignored;
            std::filesystem::remove_all(Platform::nativePath(shown), ignored);
            std::filesystem::rename(
                Platform::nativePath(folder), Platform::nativePath(shown), ignored);
        }
        const bool samePage = page == m_shownPage;
        // The patch was made against the page shown, which must be shown whole by now.
        const bool inPlace = samePage && !m_loading && m_shown && preview->patch;
        m_shown = std::move(preview);
        m_shownPage = page;
        m_shownFile = shown + m_shown->pageFile.substr(folder.size());
        m_shownChanges = changes;
        const QString file = Widgets::fromCp1252(m_shownFile);
        if (inPlace && m_shown->patch->unchanged) {
            updateNotice();
            emit pageShown();
            return;
        }
        m_loading = true;
        if (inPlace)
            m_browser->changePage(file, pageChange(*m_shown->patch));
        else
            m_browser->showPage(file, samePage);
    }
    updateNotice();
}

void PreviewPane::caretMoved()
{
    if (!m_browser || !m_shown || !m_text || m_shownPage != m_page)
        return;
    const auto shown
        = m_shown->sourceMap.shownPlace({ m_text->caretLine(), m_text->caretColumn() });
    if (shown) {
        m_browser->reveal(static_cast<int>(shown->piece), static_cast<int>(shown->offset),
            static_cast<int>(m_shown->sourceMap.pieceLength(shown->piece)));
    }
}

void PreviewPane::textClicked(int piece, int offset, int length)
{
    if (!m_shown || !m_text || m_shownPage != m_page || piece < 0 || offset < 0 || length < 0)
        return;
    const auto place = m_shown->sourceMap.bodyPlace(
        { static_cast<std::size_t>(piece), static_cast<std::size_t>(offset) },
        static_cast<std::size_t>(length));
    if (place)
        m_text->placeCaret(place->line, place->column);
}

void PreviewPane::updateNotice()
{
    QStringList lines;
    const int blocked = m_browser ? m_browser->blockedRequests() : 0;
    if (blocked > 0) {
        lines.append(blocked == 1
                ? QStringLiteral("1 address outside the preview was blocked: the preview never "
                                 "loads anything from the network.")
                : QStringLiteral("%1 addresses outside the preview were blocked: the preview "
                                 "never loads anything from the network.")
                      .arg(blocked));
    }
    if (!m_error.isEmpty())
        lines.append(m_error);
    else if (m_shown) {
        for (const std::string &notice : m_shown->notices)
            lines.append(Widgets::fromCp1252(notice));
    }
    m_notice->setText(lines.join(QLatin1Char('\n')));
    m_notice->setVisible(!lines.isEmpty());
}

} // namespace Editor
