#include "tests/app/mainwindowfixture.h"

#include "app/programwindows.h"
#include "catalogue/templateviewer.h"
#include "tests/support/ziparchive.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>

namespace Testing {
namespace {

void writePreview(const std::string &path)
{
    QImage picture(201, 145, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    ASSERT_TRUE(picture.save(QString::fromStdString(path), "JPG"));
}

TEST_F(MainWindowTest, TemplateAddedInTheViewer_ChosenOnSiteInfoAtOnce_TheChoiceKept)
{
    ::setenv("XDG_DATA_HOME", home.file("data").c_str(), 1);
    writePreview(home.file("templates/alpha.jpg"));
    writePreview(home.file("Aa.jpg"));
    writeZip(home.file("Aa.zip"), { { "Aa.t", "" }, { "Aa.jpg", readBytes(home.file("Aa.jpg")) } });
    App::ProgramWindows windows(dialogs, *session, *window, home.path());
    window->setCompanionWindows(windows.commands());
    auto *templates = control<QComboBox>("ComboBox10");
    templates->setCurrentIndex(1);
    ASSERT_EQ(templates->currentText(), "Beta");

    QTimer::singleShot(0, window.get(), [&] {
        Catalogue::TemplateViewer &viewer = windows.templateViewer();
        dialogs.answerFile(home.file("Aa.zip"));
        QTest::mouseClick(viewer.findChild<QPushButton *>("addTemplate"), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !viewer.isAdding(); }));
        viewer.closeViewer();
    });
    click(control<QAbstractButton>("templateViewerButton"));
    ::unsetenv("XDG_DATA_HOME");

    ASSERT_EQ(templates->count(), 3);
    EXPECT_EQ(templates->itemText(0), "Aa");
    EXPECT_EQ(templates->currentText(), "Beta") << "the project keeps its template";
    EXPECT_EQ(session->lists().templates[*session->fields().templateName], "Beta");
    templates->setCurrentIndex(0);
    EXPECT_EQ(session->lists().templates[*session->fields().templateName], "Aa");
    ASSERT_EQ(dialogs.asked().size(), 2u);
    EXPECT_EQ(dialogs.asked()[1].message.icon, Platform::MessageIcon::Information);
}

} // namespace
} // namespace Testing
