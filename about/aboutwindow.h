#pragma once

#include "platform/dialogs.h"

#include <QDialog>

class QLabel;
class QToolButton;

namespace About {

/// The about window: the product picture with a link to the maker's web site over its lower
/// part. A click anywhere else on the picture, or Escape, closes it. Shown with exec().
class AboutWindow : public QDialog
{
    Q_OBJECT

public:
    explicit AboutWindow(Platform::Dialogs &dialogs, QWidget *parent = nullptr);

    /// A click on the picture closes the window.
    void closeOnPicture();
    /// The link strip opens the maker's web site; the window stays open.
    void openMakerWebsite();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Platform::Dialogs &m_dialogs;
    QLabel *m_picture = nullptr;
    QToolButton *m_link = nullptr;
};

} // namespace About
