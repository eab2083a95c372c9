#include "publish/directorychooser.h"

#include "widgets/cp1252text.h"
#include "widgets/panelparts.h"
#include "widgets/runcommand.h"
#include "widgets/windowbehaviour.h"

#include "platform/files.h"

#include <QBoxLayout>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QUrl>

namespace Publish {

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int DepthRole = Qt::UserRole + 1;
constexpr int IndentStep = 12;

// Draws each entry indented by its depth below the root, as the directories nest.
class NestingDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override
    {
        QStyleOptionViewItem indented(option);
        indented.rect.setLeft(option.rect.left() + index.data(DepthRole).toInt() * IndentStep);
        QStyledItemDelegate::paint(painter, indented, index);
    }
};

std::string directoryName(const std::string &path)
{
    return path == "/" ? path : path.substr(path.rfind('/') + 1);
}

} // namespace

DirectoryChooser::DirectoryChooser(
    Platform::Dialogs &dialogs, const std::string &startDirectory, QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
    , m_dialogs(dialogs)
    , m_trail(startDirectory)
{
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("Specify Directory"));

    m_pathBox = new QLineEdit(this);
    m_pathBox->setObjectName(QStringLiteral("pathBox"));
    m_pathBox->setAccessibleName(QStringLiteral("Folder path"));
    m_pathBox->setPlaceholderText(QStringLiteral("Type or paste a folder's path"));
    m_pathBox->setToolTip(QStringLiteral("Type or paste a folder's path and press Enter"));
    m_pathBox->installEventFilter(this);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("DirectoryListBox1"));
    m_list->setAccessibleName(QStringLiteral("Directories"));
    m_list->setItemDelegate(new NestingDelegate(m_list));
    m_list->installEventFilter(this);
    connect(m_list, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem *item) { openEntry(m_list->row(item)); });

    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_ok->setObjectName(QStringLiteral("BitBtn1"));
    Widgets::fixButtonSize(m_ok, QSize(75, 25));
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("BitBtn2"));
    Widgets::fixButtonSize(m_cancel, QSize(75, 25));
    m_newFolder = new QPushButton(QStringLiteral("&New Folder"), this);
    m_newFolder->setObjectName(QStringLiteral("newFolderButton"));
    Widgets::fixButtonSize(m_newFolder, QSize(110, 25));
    m_newFolder->setAccessibleName(QStringLiteral("New Folder"));
    m_newFolder->setToolTip(QStringLiteral("Make a folder inside the highlighted one"));
    // Enter opens the highlighted directory; it never presses a button.
    for (QPushButton *button : { m_ok, m_newFolder, m_cancel }) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    m_ok->setAccessibleName(QStringLiteral("OK"));
    m_cancel->setAccessibleName(QStringLiteral("Cancel"));
    connect(m_ok, &QPushButton::clicked, this, &DirectoryChooser::acceptDirectory);
    connect(m_cancel, &QPushButton::clicked, this, &DirectoryChooser::cancelChoice);
    connect(m_newFolder, &QPushButton::clicked, this, &DirectoryChooser::makeNewFolder);

    // The list takes whatever room the window gains.
    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(4, 0, 4, 4);
    buttons->setSpacing(0);
    buttons->addWidget(m_ok);
    buttons->addStretch(1);
    buttons->addWidget(m_newFolder);
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    auto *window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->setSpacing(4);
    auto *pathRow = new QHBoxLayout;
    pathRow->setContentsMargins(4, 4, 4, 0);
    pathRow->addWidget(m_pathBox);
    window->addLayout(pathRow);
    window->addWidget(m_list, 1);
    window->addLayout(buttons);

    showTrail();
    Widgets::rememberPlace(this, QSize(284, 242));
    // Escape is bound to no button here.
    Widgets::ignoreEscape(this);
}

std::optional<std::string> DirectoryChooser::chooseDirectory(const std::string &startAt)
{
    if (!startAt.empty() && Platform::isDirectory(startAt))
        m_trail.open(startAt);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return m_trail.current();
}

void DirectoryChooser::showTrail()
{
    m_list->clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    int depth = 0;
    const auto add
        = [this, &depth](const QIcon &icon, const std::string &name, const std::string &path) {
              auto *item = new QListWidgetItem(icon, Widgets::fromCp1252(name));
              item->setData(PathRole, QByteArray::fromStdString(path)); // Windows-1252, as listed
              item->setData(DepthRole, depth);
              item->setToolTip(Widgets::fromCp1252(path));
              m_list->addItem(item);
              return item;
          };
    for (const std::string &path : m_trail.trail()) {
        // The last of the trail is the current directory: it is the highlighted entry.
        m_list->setCurrentItem(add(open, directoryName(path), path));
        ++depth;
    }
    for (const std::string &name : m_trail.subdirectories())
        add(closed, name, m_trail.childPath(name));
    m_list->scrollToItem(m_list->currentItem());
    m_pathBox->setText(Widgets::fromCp1252(m_trail.current()));
}

void DirectoryChooser::openEntry(int row)
{
    Widgets::runCommand(m_dialogs, [this, row] {
        const QListWidgetItem *item = m_list->item(row);
        if (!item)
            return;
        m_trail.open(item->data(PathRole).toByteArray().toStdString());
        showTrail();
    });
}

bool DirectoryChooser::openTypedPath()
{
    bool opened = false;
    Widgets::runCommand(m_dialogs, [this, &opened] {
        QString typed = m_pathBox->text().trimmed();
        // A path pasted from a file manager may come as a file:// address or start at "~".
        if (typed.startsWith(QLatin1String("file://")))
            typed = QUrl(typed).toLocalFile();
        if (typed == QLatin1String("~") || typed.startsWith(QLatin1String("~/")))
            typed.replace(0, 1, QDir::homePath());
        const std::string path = Widgets::toCp1252(QDir::cleanPath(typed));
        if (path.empty() || path[0] != '/' || !Platform::isDirectory(path)) {
            m_dialogs.notify({ Platform::ApplicationTitle,
                "There is no folder " + Widgets::toCp1252(typed)
                    + ".\nType a folder's full path, such as " + Widgets::toCp1252(QDir::homePath())
                    + ".",
                Platform::MessageIcon::Error, Platform::MessageButtons::Ok });
            m_pathBox->setFocus();
            return;
        }
        m_trail.open(path);
        showTrail();
        opened = true;
    });
    return opened;
}

void DirectoryChooser::acceptDirectory()
{
    Widgets::runCommand(m_dialogs, [this] {
        // A path typed but not yet opened is the one meant.
        if (m_pathBox->text() != Widgets::fromCp1252(m_trail.current()) && !openTypedPath())
            return;
        accept();
    });
}

void DirectoryChooser::cancelChoice()
{
    Widgets::runCommand(m_dialogs, [this] { reject(); });
}

void DirectoryChooser::makeNewFolder()
{
    Widgets::runCommand(m_dialogs, [this] {
        const QListWidgetItem *highlighted = m_list->currentItem();
        const std::string parent = highlighted
            ? highlighted->data(PathRole).toByteArray().toStdString()
            : m_trail.current();
        const std::string name
            = m_dialogs.askText("New Folder", "Name of the new folder in " + parent + ":", "");
        if (name.empty())
            return; // Cancel
        m_trail.open(MakeFolder(parent, name));
        showTrail();
    });
}

bool DirectoryChooser::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_list || watched == m_pathBox) && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == m_list)
                openEntry(m_list->currentRow());
            else if (openTypedPath())
                m_list->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void DirectoryChooser::showEvent(QShowEvent *event)
{
    // A directory may have come or gone since the last opening.
    Widgets::runCommand(m_dialogs, [this] {
        m_trail.refresh();
        showTrail();
    });
    m_list->setFocus();
    QDialog::showEvent(event);
}

} // namespace Publish
