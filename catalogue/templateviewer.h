#pragma once

#include "platform/dialogs.h"

#include <QDialog>
#include <QPixmap>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

namespace Catalogue {

/// The Template Viewer: the templates' preview pictures, one at a time; "Use This Template"
/// makes the shown one the project's template, "Add Template..." adds one from an archive.
class TemplateViewer : public QDialog
{
    Q_OBJECT

public:
    TemplateViewer(Platform::Dialogs &dialogs, std::string homeDir, QWidget *parent = nullptr);

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
    /// "&Add Template...": asks for a .zip archive and adds the template in it to the user's
    /// templates folder (asking before replacing one of the same name), then lists the
    /// templates again with the new one chosen. Why an archive is refused goes to the error box.
    void addTemplate();
    /// "&Close".
    void closeViewer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *createPictureFrame();
    QLayout *createControls();
    bool showPreview(const std::string &name);
    /// Fits the shown preview to the room its place has now.
    void fitPreview();

    Platform::Dialogs &m_dialogs;
    std::string m_homeDir;
    std::vector<std::string> m_names;
    std::function<void(std::size_t)> m_useTemplate;
    std::string m_lastArchive;

    QPixmap m_preview;
    QLabel *m_picture = nullptr;
    QComboBox *m_templates = nullptr;
    QPushButton *m_use = nullptr;
    QPushButton *m_downloadMore = nullptr;
    QPushButton *m_addTemplate = nullptr;
    QPushButton *m_close = nullptr;
};

} // namespace Catalogue
