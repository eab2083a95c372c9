#pragma once

#include "project/projectsession.h"
#include "publish/livepreview.h"

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>

class QLabel;
class QStackedWidget;
class QThreadPool;
class QTimer;
class QToolButton;

namespace Editor {

class PageText;
class PreviewBrowser;

/// The live preview beside the page text: the shown page exactly as publishing writes it,
/// in a browser from a module loaded when the pane is first shown. A change to the project
/// is published again after a short pause, on a thread of its own so that typing never
/// waits; only the newest text is published. A click on a word puts the caret at that word
/// in the text, and the caret's place is kept in view in the page. Without the module the
/// pane says how to get it.
class PreviewPane : public QWidget
{
    Q_OBJECT
public:
    /// How long the project must stay unchanged before it is published again.
    static constexpr int PauseMs = 50;
    /// The phone width the page can be shown at.
    static constexpr int PhoneWidth = 390;
    /// The Debian package that brings the browser engine.
    static constexpr const char *EnginePackage = "libqt6webenginewidgets6";

    explicit PreviewPane(QWidget *parent = nullptr);
    ~PreviewPane() override;

    /// The session whose project the pane publishes, the program's home folder (templates),
    /// and where the module is looked for.
    void attach(Model::ProjectSession &session, std::string homeDir, QStringList modulePlaces);
    /// The page shown in the editor and its text control, whose caret the pane follows.
    void showEditorPage(Model::PageId page, PageText *text);
    /// Shows the page at a phone's width (390 pixels) or at the pane's width.
    void setPhoneWidth(bool phone);
    bool phoneWidth() const;

    /// The browser, once loaded; nullptr before the pane was shown or without the module.
    PreviewBrowser *browser() const { return m_browser.get(); }
    /// The page file shown now (a program path); empty until one is.
    const std::string &shownFile() const { return m_shownFile; }
    /// Whether the browser shows the project as it is now: nothing waits to be published and
    /// the last page published has finished loading.
    bool upToDate() const;
    /// The line under the page: blocked requests and what publishing said.
    QLabel *noticeLine() const { return m_notice; }
    /// What the pane says in place of the page when the browser cannot be loaded.
    QLabel *explanation() const { return m_explanation; }

signals:
    /// A published page finished loading in the browser.
    void pageShown();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createToolbar();
    void loadBrowser();
    /// The project changed: it is published again once it stays unchanged a moment.
    void projectChanged();
    void publish();
    /// A run ended: its page is shown unless the project changed since it started.
    void published(std::uint64_t changes, Model::PageId page, const std::string &folder,
        std::shared_ptr<Publish::LivePreview> preview, const QString &error);
    /// The folder the browser shows: each run's folder is put in its place.
    std::string shownFolder() const;
    void caretMoved();
    void textClicked(int piece, int offset, int length);
    void updateNotice();

    Model::ProjectSession *m_session = nullptr;
    int m_observer = 0;
    std::string m_homeDir;
    QStringList m_modulePlaces;
    std::string m_folder; ///< where the pane publishes: one folder per run inside it
    Model::PageId m_page = 1;
    PageText *m_text = nullptr;

    std::unique_ptr<PreviewBrowser> m_browser;
    bool m_browserTried = false;
    QStackedWidget *m_stack = nullptr;
    QWidget *m_browserHolder = nullptr;
    QLabel *m_explanation = nullptr;
    QLabel *m_notice = nullptr;
    QToolButton *m_desk = nullptr;
    QToolButton *m_phone = nullptr;

    QTimer *m_pause = nullptr;
    QTimer *m_caretPause = nullptr;
    QThreadPool *m_worker = nullptr;
    bool m_publishing = false;
    std::stop_source m_runStop; ///< stops the run going on
    std::uint64_t m_changes = 0; ///< changes to the project heard of so far
    std::uint64_t m_shownChanges = ~std::uint64_t(0); ///< the changes the shown page has
    bool m_loading = false;
    std::uint64_t m_runs = 0;
    std::string m_shownFile;
    Model::PageId m_shownPage = 0;
    std::shared_ptr<Publish::LivePreview> m_shown;
    QString m_error;
};

} // namespace Editor
