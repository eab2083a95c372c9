#pragma once

#include "platform/dialogs.h"

#include <QDialog>
#include <QPixmap>

#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace Catalogue {

class StagedTemplate;

/// The Template Viewer: the templates' preview pictures, one at a time; "Use This Template"
/// makes the shown one the project's template, "Add Template..." adds one from an archive.
class TemplateViewer : public QDialog
{
    Q_OBJECT

public:
    TemplateViewer(Platform::Dialogs &dialogs, std::string homeDir, QWidget *parent = nullptr);
    /// Stops an adding still under way and waits for it.
    ~TemplateViewer() override;

    /// Fills the list with `catalogue`, selects its first entry, shows that template's
    /// preview and shows the viewer modally. When the first preview cannot be loaded the error
    /// box says why and the viewer is not shown: returns false.
    bool openViewer(const std::vector<std::string> &catalogue);
    /// openViewer without showing: the list, the first entry and its preview.
    bool prepareViewer(const std::vector<std::string> &catalogue);

    /// A template chosen in the list: its preview replaces the picture; when it cannot be
    /// loaded the error box says why and the previous picture stays.
    void showChosenTemplate();
    /// Who takes the template chosen with "Use This Template": its place in the catalogue.
    void setTemplateUser(std::function<void(std::size_t)> useTemplate);
    /// "&Use This Template": the shown template becomes the project's; the viewer closes.
    void useShownTemplate();
    /// "&Download More Templates": the maker's web site, where more templates are offered.
    void downloadMoreTemplates();
    /// Who hears that a template was added: the catalogue read again, which the viewer's
    /// list then shows too.
    void setCatalogueUser(std::function<void(const std::vector<std::string> &)> useCatalogue);
    /// "&Add Template...": asks for a .zip archive (starting in the folder of the last one,
    /// with an empty name) and unpacks it on a thread of its own while a progress bar and
    /// "Cancel" show; then asks before replacing a template of the same name, installs it,
    /// and lists the templates again with the new one chosen. Why an archive is refused goes
    /// to the error box.
    void addTemplate();
    /// "Cancel" while a template is being added: the adding stops and leaves nothing.
    void cancelAdding();
    /// Whether a template is being unpacked now.
    bool isAdding() const { return m_worker.joinable(); }
    /// "&Close".
    void closeViewer();
    /// Escape and the window's close button: while a template is being added they cancel
    /// the adding, and the viewer stays.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *createPictureFrame();
    QLayout *createControls();
    bool showPreview(const std::string &name);
    /// Fits the shown preview to the room its place has now.
    void fitPreview();
    void showAdding(bool adding);
    void showAddingProgress(int percent);
    /// The unpacking thread ended: what it made is installed, or why it failed is shown.
    void finishAdding();

    Platform::Dialogs &m_dialogs;
    std::string m_homeDir;
    std::vector<std::string> m_names;
    std::function<void(std::size_t)> m_useTemplate;
    std::function<void(const std::vector<std::string> &)> m_useCatalogue;
    std::string m_lastArchive;

    std::thread m_worker; ///< unpacks an archive while the window stays responsive
    std::atomic<bool> m_cancel = false;
    std::unique_ptr<StagedTemplate> m_staged; ///< the worker's result, read once it ended
    std::exception_ptr m_addingError;

    QPixmap m_preview;
    QLabel *m_picture = nullptr;
    QComboBox *m_templates = nullptr;
    QPushButton *m_use = nullptr;
    QPushButton *m_downloadMore = nullptr;
    QPushButton *m_addTemplate = nullptr;
    QPushButton *m_close = nullptr;
    QWidget *m_addingRow = nullptr;
    QProgressBar *m_addingProgress = nullptr;
    QPushButton *m_cancelAdding = nullptr;
};

} // namespace Catalogue
