#include "publish/directorychooser.h"

#include "widgets/cp1252text.h"
#include "widgets/panelparts.h"
#include "widgets/runcommand.h"
#include "widgets/windowbehaviour.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>

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
    window->addWidget(m_list, 1);
    window->addLayout(buttons);

    showTrail();
    Widgets::rememberPlace(this, QSize(284, 242));
    // Escape is bound to no button here.
    Widgets::ignoreEscape(this);
}

std::optional<std::string> DirectoryChooser::chooseDirectory()
{
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

void DirectoryChooser::acceptDirectory()
{
    Widgets::runCommand(m_dialogs, [this] { accept(); });
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
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            openEntry(m_list->currentRow());
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
