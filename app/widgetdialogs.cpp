#include "app/widgetdialogs.h"

#include "platform/encoding.h"
#include "widgets/cp1252text.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace App {
namespace {

QMessageBox::Icon boxIcon(Platform::MessageIcon icon)
{
    switch (icon) {
    case Platform::MessageIcon::Information:
        return QMessageBox::Information;
    case Platform::MessageIcon::Warning:
        return QMessageBox::Warning;
    case Platform::MessageIcon::Error:
        return QMessageBox::Critical;
    case Platform::MessageIcon::Question:
        return QMessageBox::Question;
    case Platform::MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Qt reads a filter's patterns from the parentheses at the end of its text, separated by
// blanks only; "*.jpeg; *.jpg" and a text without parentheses would not match the files
// the user expects. The text keeps its words; the patterns are written the way Qt reads them,
// and "*.*" means every file, as the user knows it.
QString qtFilter(const Platform::FileFilter &filter)
{
    QStringList patterns;
    for (const QString &pattern :
        Widgets::fromCp1252(filter.patterns)
            .split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts)) {
        patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    QString text = Widgets::fromCp1252(filter.text);
    const qsizetype open = text.lastIndexOf(QLatin1Char('('));
    if (open > 0 && text.endsWith(QLatin1Char(')')))
        text = text.left(open).trimmed();
    return text + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

} // namespace

QWidget *WidgetDialogs::owner() { return QApplication::activeWindow(); }

bool WidgetDialogs::confirm(const Platform::Message &question)
{
    // A Yes/No question replaces or removes something; Enter and Escape both answer No.
    const bool yesNo = question.buttons == Platform::MessageButtons::YesNo;
    const QMessageBox::StandardButton accept = yesNo ? QMessageBox::Yes : QMessageBox::Ok;
    const QMessageBox::StandardButton refuse = yesNo ? QMessageBox::No : QMessageBox::Cancel;
    QMessageBox box(boxIcon(question.icon), Widgets::fromCp1252(question.title),
        Widgets::fromCp1252(question.text), accept | refuse, owner());
    box.setDefaultButton(yesNo ? refuse : accept);
    box.setEscapeButton(refuse);
    return box.exec() == accept;
}

std::optional<std::size_t> WidgetDialogs::askChoice(
    const Platform::Message &question, const std::vector<std::string> &buttons)
{
    QMessageBox box(boxIcon(question.icon), Widgets::fromCp1252(question.title),
        Widgets::fromCp1252(question.text), QMessageBox::NoButton, owner());
    std::vector<QPushButton *> pressed;
    pressed.reserve(buttons.size());
    for (const std::string &text : buttons)
        pressed.push_back(box.addButton(Widgets::fromCp1252(text), QMessageBox::AcceptRole));
    if (!pressed.empty())
        box.setDefaultButton(pressed.front());
    // Escape and the close box press this unseen button: the question stays unanswered.
    QPushButton *unanswered = box.addButton(QMessageBox::Cancel);
    unanswered->hide();
    box.setEscapeButton(unanswered);
    box.exec();
    const auto chosen = std::find(pressed.begin(), pressed.end(), box.clickedButton());
    if (chosen == pressed.end())
        return std::nullopt;
    return static_cast<std::size_t>(chosen - pressed.begin());
}

void WidgetDialogs::notify(const Platform::Message &notice)
{
    QMessageBox box(boxIcon(notice.icon), Widgets::fromCp1252(notice.title),
        Widgets::fromCp1252(notice.text), QMessageBox::Ok, owner());
    box.exec();
}

Platform::SaveChoice WidgetDialogs::askToSave(const Platform::Message &question)
{
    QMessageBox box(boxIcon(question.icon), Widgets::fromCp1252(question.title),
        Widgets::fromCp1252(question.text), QMessageBox::NoButton, owner());
    box.setObjectName(QStringLiteral("SaveQuestion"));
    QPushButton *save = box.addButton(QStringLiteral("&Save"), QMessageBox::AcceptRole);
    QPushButton *discard
        = box.addButton(QStringLiteral("Do&n't Save"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    save->setObjectName(QStringLiteral("SaveButton"));
    discard->setObjectName(QStringLiteral("DontSaveButton"));
    cancel->setObjectName(QStringLiteral("CancelButton"));
    // Enter saves and Escape keeps the work open; only a deliberate choice discards it.
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return Platform::SaveChoice::Save;
    if (box.clickedButton() == discard)
        return Platform::SaveChoice::DontSave;
    return Platform::SaveChoice::Cancel;
}

std::string WidgetDialogs::askText(
    const std::string &caption, const std::string &prompt, const std::string &initialText)
{
    QInputDialog dialog(owner());
    dialog.setWindowTitle(Widgets::fromCp1252(caption));
    dialog.setLabelText(Widgets::fromCp1252(prompt));
    dialog.setInputMode(QInputDialog::TextInput);
    if (auto *entry = dialog.findChild<QLineEdit *>())
        entry->setMaxLength(255);
    dialog.setTextValue(Widgets::fromCp1252(initialText));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return Widgets::toCp1252(dialog.textValue());
}

std::string WidgetDialogs::askLocation(const std::string &caption, const std::string &prompt,
    const Platform::FileDialogSpec &browse, const std::vector<Platform::LocationChoice> &choices)
{
    QDialog dialog(owner());
    dialog.setObjectName(QStringLiteral("LocationDialog"));
    dialog.setWindowTitle(Widgets::fromCp1252(caption));
    auto *layout = new QGridLayout(&dialog);
    auto *label = new QLabel(Widgets::fromCp1252(prompt), &dialog);
    auto *entry = new QLineEdit(&dialog);
    // A chosen file's full path may be longer than a typed answer, so it has no limit.
    entry->setMinimumWidth(260);
    label->setBuddy(entry);
    auto *browseButton = new QPushButton(QStringLiteral("&Browse..."), &dialog);
    browseButton->setObjectName(QStringLiteral("BrowseButton"));
    browseButton->setAutoDefault(false);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(label, 0, 0, 1, 2);
    layout->addWidget(entry, 1, 0);
    layout->addWidget(browseButton, 1, 1);
    if (!choices.empty()) {
        // The site's own pages: a click puts one in the entry, a double click takes it.
        auto *listLabel = new QLabel(QStringLiteral("Or choose one of your pages:"), &dialog);
        auto *list = new QListWidget(&dialog);
        list->setObjectName(QStringLiteral("LocationChoices"));
        list->setAccessibleName(QStringLiteral("Your pages"));
        listLabel->setBuddy(list);
        for (const Platform::LocationChoice &choice : choices) {
            auto *item = new QListWidgetItem(Widgets::fromCp1252(choice.shown), list);
            item->setData(Qt::UserRole, Widgets::fromCp1252(choice.value));
        }
        list->setMaximumHeight(
            list->sizeHintForRow(0) * std::min<int>(8, list->count()) + 2 * list->frameWidth() + 2);
        QObject::connect(
            list, &QListWidget::currentItemChanged, &dialog, [entry](QListWidgetItem *item) {
                if (item)
                    entry->setText(item->data(Qt::UserRole).toString());
            });
        QObject::connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);
        layout->addWidget(listLabel, 2, 0, 1, 2);
        layout->addWidget(list, 3, 0, 1, 2);
    }
    layout->addWidget(buttons, 4, 0, 1, 2);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(browseButton, &QPushButton::clicked, &dialog, [&] {
        if (const std::optional<std::string> chosen = chooseFile(browse))
            entry->setText(Widgets::fromCp1252(*chosen));
    });
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return Widgets::toCp1252(entry->text());
}

std::optional<std::string> WidgetDialogs::chooseFile(const Platform::FileDialogSpec &request)
{
    QFileDialog dialog(owner(), Widgets::fromCp1252(request.title));
    const bool saving = request.mode == Platform::FileDialogSpec::Mode::Save;
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A project to open may be typed in, existing or not; the open command reports a
    // missing file itself.
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const Platform::FileFilter &filter : request.filters)
        filters << qtFilter(filter);
    dialog.setNameFilters(filters);
    if (!request.defaultExtension.empty())
        dialog.setDefaultSuffix(Widgets::fromCp1252(request.defaultExtension));
    if (!request.confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // A folder to start in is opened; a file is selected in its folder. A file in a folder
    // still to be made (a new project's own folder) is shown from the nearest folder that
    // exists, its name with the new folders before it.
    const QString initial = Widgets::fromCp1252(request.initialPath);
    if (!initial.isEmpty() && QFileInfo(initial).isDir()) {
        dialog.setDirectory(initial);
    } else if (!initial.isEmpty()) {
        QDir start = QFileInfo(initial).absoluteDir();
        while (!start.exists() && !start.isRoot())
            start.setPath(QFileInfo(start.path()).path());
        dialog.setDirectory(start);
        dialog.selectFile(start.relativeFilePath(initial));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    std::optional<std::string> path = Platform::utf8ToCp1252Exact(chosen.toStdString());
    if (!path) {
        // Corvanta's names are Windows-1252; a name outside it could not be found again.
        notify({ Platform::ApplicationTitle,
            "The file name holds characters that Corvanta cannot use in file names.\n"
            "Please choose another name.",
            Platform::MessageIcon::Warning, Platform::MessageButtons::Ok });
    }
    return path;
}

std::optional<Platform::Colour> WidgetDialogs::chooseColour(Platform::Colour initial)
{
    const QColor chosen
        = QColorDialog::getColor(QColor(initial.red, initial.green, initial.blue), owner());
    if (!chosen.isValid())
        return std::nullopt;
    return Platform::Colour { static_cast<std::uint8_t>(chosen.red()),
        static_cast<std::uint8_t>(chosen.green()), static_cast<std::uint8_t>(chosen.blue()) };
}

void WidgetDialogs::openDocument(const std::string &target)
{
    const QString text = Widgets::fromCp1252(target);
    // A path such as "//help/index.html" (a home directory at the root) names the same file
    // as "/help/index.html"; as a URL the double slash would be read as a host name.
    const QUrl url = text.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(QDir::cleanPath(text))
                                                       : QUrl(text);
    QDesktopServices::openUrl(url);
}

} // namespace App
