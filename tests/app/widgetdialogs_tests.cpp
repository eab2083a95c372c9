#include "app/widgetdialogs.h"
#include "tests/support/tempdir.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace Testing {
namespace {

/// Acts on the next modal dialog as the user would, once it is open.
template <typename Dialog> void whenOpen(std::function<void(Dialog *)> act)
{
    QTimer::singleShot(0, [act] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(dialog);
    });
}

TEST(WidgetDialogs, Confirm_ShowsTheQuestionAndOkIsTheDefault)
{
    App::WidgetDialogs dialogs;
    whenOpen<QMessageBox>([](QMessageBox *box) {
        EXPECT_EQ(box->windowTitle(), "Confirm");
        EXPECT_EQ(box->text(), "Are you sure?");
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_TRUE(dialogs.confirm({ "Confirm", "Are you sure?", Platform::MessageIcon::Question,
        Platform::MessageButtons::OkCancel }));
    whenOpen<QMessageBox>([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_FALSE(dialogs.confirm({ "Confirm", "Sure?", Platform::MessageIcon::Question,
        Platform::MessageButtons::OkCancel }));

    // Yes replaces something: it must be clicked, Enter answers No.
    const Platform::Message replace { "Corvanta", "Replace it?", Platform::MessageIcon::Question,
        Platform::MessageButtons::YesNo };
    whenOpen<QMessageBox>([](QMessageBox *box) {
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_FALSE(dialogs.confirm(replace));
    whenOpen<QMessageBox>([](QMessageBox *box) { box->button(QMessageBox::Yes)->click(); });
    EXPECT_TRUE(dialogs.confirm(replace));
}

TEST(WidgetDialogs, AskToSave_EscapeCancelsAndOnlyAClickDiscards)
{
    // Enter saves: the key test under X presses it on the real program.
    App::WidgetDialogs dialogs;
    whenOpen<QMessageBox>([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(dialogs.askToSave({}), Platform::SaveChoice::Cancel);
    whenOpen<QMessageBox>([](QMessageBox *box) {
        box->findChild<QPushButton *>(QStringLiteral("DontSaveButton"))->click();
    });
    EXPECT_EQ(dialogs.askToSave({}), Platform::SaveChoice::DontSave);
}

TEST(WidgetDialogs, AskText_Takes255CharactersAndKeepsForeignCharactersAsReferences)
{
    App::WidgetDialogs dialogs;
    whenOpen<QInputDialog>([](QInputDialog *box) {
        EXPECT_EQ(box->windowTitle(), "Corvanta");
        EXPECT_EQ(box->labelText(), "Caf\u00e9 name:");
        auto *entry = box->findChild<QLineEdit *>();
        entry->setText(QString(300, 'x'));
        EXPECT_EQ(entry->text().size(), 255);
        entry->setText(QString::fromUtf8("\u4e2d \u00e9"));
        box->accept();
    });
    EXPECT_EQ(dialogs.askText("Corvanta", "Caf\xe9 name:", ""), "&#20013; \xe9");
    whenOpen<QInputDialog>([](QInputDialog *box) {
        EXPECT_EQ(box->textValue(), "kept");
        box->findChild<QLineEdit *>()->setText("typed");
        box->reject();
    });
    EXPECT_EQ(dialogs.askText("Corvanta", "Name:", "kept"), "");
}

TEST(WidgetDialogs, ChooseFile_GivesQtFiltersItCanMatchAndTheChosenPath)
{
    TempDir folder;
    App::WidgetDialogs dialogs;
    whenOpen<QFileDialog>([&](QFileDialog *box) {
        EXPECT_EQ(box->windowTitle(), "Open Image");
        EXPECT_EQ(box->nameFilters(), QStringList({ "JPEG (*.jpeg *.jpg)", "All Files (*)" }));
        EXPECT_EQ(box->defaultSuffix(), "");
        auto *name = box->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(folder.file("logo.jpeg")));
        QTest::keyClick(name, Qt::Key_Return);
    });
    Platform::FileDialogSpec request;
    request.title = "Open Image";
    request.filters = { { "JPEG (*.jpeg; *.jpg)", "*.jpeg; *.jpg" }, { "All Files", "*.*" } };
    EXPECT_EQ(dialogs.chooseFile(request), folder.file("logo.jpeg"));

    whenOpen<QFileDialog>([](QFileDialog *box) {
        EXPECT_EQ(box->defaultSuffix(), "cvp");
        EXPECT_FALSE(box->testOption(QFileDialog::DontConfirmOverwrite));
        box->reject();
    });
    request = { Platform::FileDialogSpec::Mode::Save, "Save Project",
        { { "Corvanta Files (*.cvp)", "*.cvp" } }, "cvp", "", true };
    EXPECT_EQ(dialogs.chooseFile(request), std::nullopt);
}

TEST(WidgetDialogs, AskLocation_BrowseFillsTheEntryWithTheChosenFile)
{
    TempDir folder;
    writeBytes(folder.file("dog.png"), "png");
    App::WidgetDialogs dialogs;
    whenOpen<QDialog>([&](QDialog *box) {
        EXPECT_EQ(box->windowTitle(), "Corvanta");
        whenOpen<QFileDialog>([&](QFileDialog *files) {
            EXPECT_EQ(files->windowTitle(), "Browse");
            auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            name->setText(QString::fromStdString(folder.file("dog.png")));
            QTest::keyClick(name, Qt::Key_Return);
            QTimer::singleShot(0, box, [box] {
                box->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
            });
        });
        QTest::mouseClick(box->findChild<QPushButton *>("BrowseButton"), Qt::LeftButton);
    });
    Platform::FileDialogSpec browse;
    browse.title = "Browse";
    EXPECT_EQ(
        dialogs.askLocation("Corvanta", "Where is the image?", browse), folder.file("dog.png"));
}

TEST(WidgetDialogs, ChooseColour_OpensOnTheGivenColourAndCancelGivesNothing)
{
    App::WidgetDialogs dialogs;
    whenOpen<QColorDialog>([](QColorDialog *box) {
        EXPECT_EQ(box->currentColor(), QColor(255, 255, 0));
        box->setCurrentColor(QColor(0, 128, 255));
        box->accept();
    });
    EXPECT_EQ(dialogs.chooseColour({ 255, 255, 0 }), (Platform::Colour { 0, 128, 255 }));
    whenOpen<QColorDialog>([](QColorDialog *box) { box->reject(); });
    EXPECT_EQ(dialogs.chooseColour({ 1, 2, 3 }), std::nullopt);
}

} // namespace
} // namespace Testing
