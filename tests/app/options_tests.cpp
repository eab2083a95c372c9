#include "tests/app/mainwindowfixture.h"

#include "platform/files.h"
#include "project/project.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

namespace Testing {
namespace {

class OptionsTest : public MainWindowTest
{
protected:
    OptionsTest() { press(Qt::Key_F6); }
    void chooseColour(const char *row, std::optional<Platform::Colour> answer)
    {
        dialogs.answerColour(answer);
        click(control<QAbstractButton>((std::string(row) + "Button").c_str()));
    }
    QColor swatch(const char *row)
    {
        return control<QFrame>((std::string(row) + "Swatch").c_str())
            ->palette()
            .color(QPalette::Window);
    }
    QString colourText(const char *row)
    {
        return control<QLabel>((std::string(row) + "Text").c_str())->text();
    }
};

TEST_F(OptionsTest, ColourChooser_ConfirmedColourSetsTextAndSwatch)
{
    chooseColour("linkColor", Platform::Colour { 0, 128, 255 });
    EXPECT_EQ(colourText("linkColor"), "#0080FF");
    EXPECT_EQ(swatch("linkColor"), QColor(0, 128, 255));
    EXPECT_EQ(session->project().linkColor, Model::colorChoice(0, 128, 255));
    EXPECT_EQ(dialogs.asked().back().initialColour, (Platform::Colour { 0, 0, 0 }));
}

TEST_F(OptionsTest, ColourChooser_CancelAppliesTheSharedDialogsLastColour)
{
    chooseColour("fontColor", std::nullopt);
    EXPECT_EQ(session->project().fontColor, Model::colorChoice(0, 0, 0));

    chooseColour("hoverColor", Platform::Colour { 255, 255, 0 });
    chooseColour("visitedColor", std::nullopt);
    EXPECT_EQ(colourText("visitedColor"), "#FFFF00");
    EXPECT_EQ(swatch("visitedColor"), QColor(255, 255, 0));
    EXPECT_EQ(session->project().visitedColor, Model::colorChoice(255, 255, 0));
    // The dialog opens on the colour it last held, not on the field's.
    EXPECT_EQ(dialogs.asked().back().initialColour, (Platform::Colour { 255, 255, 0 }));

    chooseColour("imageBorderColor", std::nullopt);
    EXPECT_EQ(session->project().imageBorderColor, Model::colorChoice(255, 255, 0));
}

TEST_F(OptionsTest, SizeUnit_FollowsKeywordAndNumericSizes)
{
    auto *size = control<QComboBox>("ComboBox5");
    auto *unit = control<QLabel>("sizeUnitLabel");
    EXPECT_EQ(unit->text(), "px");
    size->setCurrentIndex(size->findText("medium"));
    EXPECT_EQ(unit->text(), "");
    EXPECT_EQ(session->project().fontSize, Model::Choice(3));
    size->setFocus();
    press(Qt::Key_End);
    EXPECT_EQ(size->currentText(), "100");
    EXPECT_EQ(unit->text(), "px");
    size->setCurrentIndex(size->findText("14"));
    EXPECT_EQ(unit->text(), "px");
    size->setCurrentIndex(size->findText("larger"));
    EXPECT_EQ(unit->text(), "");
}

TEST_F(OptionsTest, FontSample_ShowsWhileTheListIsOpenAndFollowsTheHighlight)
{
    auto *fonts = control<QComboBox>("fontlist");
    auto *sample = control<QFrame>("fontSample");
    auto *sampleText = control<QLabel>("fontSampleText");
    EXPECT_FALSE(sample->isVisible());
    EXPECT_EQ(sample->size(), QSize(129, 65));
    EXPECT_EQ(sampleText->text(), "Aa Bb Cc");
    EXPECT_EQ(sampleText->font().pixelSize(), 19);

    fonts->setFocus();
    fonts->showPopup();
    EXPECT_TRUE(sample->isVisible());
    EXPECT_EQ(sampleText->font().family(), "arial, sans-serif, verdana");
    const int installed = fonts->findText("Default") + 1;
    ASSERT_LT(installed, fonts->count());
    fonts->view()->setCurrentIndex(fonts->model()->index(installed, 0));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return sampleText->font().family() == fonts->itemText(installed); }, 1000));

    fonts->hidePopup();
    control<QComboBox>("ComboBox5")->setFocus();
    EXPECT_FALSE(sample->isVisible());
}

TEST_F(OptionsTest, PageAdditions_MadeInBoxIsFixedAndSitemapBoxHidden)
{
    auto *madeIn = control<QCheckBox>("CheckBox3");
    EXPECT_TRUE(madeIn->isChecked());
    EXPECT_FALSE(madeIn->isEnabled());
    click(madeIn);
    EXPECT_TRUE(session->project().addMadeWithLink);
    EXPECT_TRUE(control<QCheckBox>("CheckBox28")->isHidden());

    click(control<QCheckBox>("CheckBox1"));
    EXPECT_TRUE(session->project().addTextNavigation);
}

TEST_F(OptionsTest, PictureSettings_OnForANewProjectThenKeptInTheSettingsFile)
{
    auto *webReady = control<QCheckBox>("webReadyPictures");
    auto *longEdge = control<QSpinBox>("pictureLongEdge");
    EXPECT_TRUE(webReady->isChecked());
    EXPECT_EQ(longEdge->value(), 1920);

    longEdge->setValue(1280);
    click(webReady);
    EXPECT_FALSE(longEdge->isEnabled());
    saveAs(home.file("shop.cvp"));
    const std::string settings = Platform::readWholeFile(home.file("shop.cvp.settings"));
    EXPECT_NE(settings.find("[pictures]\nwebReady=false\nlongEdge=1280\n"), std::string::npos)
        << settings;

    dialogs.answerConfirm(true);
    choose("New1");
    EXPECT_TRUE(webReady->isChecked());
    openFrom(home.file("shop.cvp"));
    EXPECT_FALSE(webReady->isChecked());
    EXPECT_EQ(longEdge->value(), 1280);
}

TEST_F(OptionsTest, LogoDialog_OffersFiveFiltersAndStartsInDocumentsThenAtTheLastChoice)
{
    const Testing::TemporaryHome user;
    press(Qt::Key_F5);
    dialogs.answerFile("/pictures/logo.png");
    click(control<QAbstractButton>("logoButton"));
    EXPECT_EQ(control<QLineEdit>("Edit6")->text(), "/pictures/logo.png");
    EXPECT_EQ(session->project().logoPath, "/pictures/logo.png");
    dialogs.answerFile(std::nullopt);
    click(control<QAbstractButton>("logoButton"));
    EXPECT_EQ(session->project().logoPath, "/pictures/logo.png");

    const auto &asked = dialogs.asked();
    ASSERT_EQ(asked.size(), 2u);
    const Platform::FileDialogSpec &request = asked[0].fileDialog;
    EXPECT_EQ(request.title, "Open Image");
    EXPECT_EQ(request.mode, Platform::FileDialogSpec::Mode::Open);
    ASSERT_EQ(request.filters.size(), 5u);
    // Every picture first, so that no logo is hidden.
    EXPECT_EQ(request.filters[0].text, "All Pictures (*.jpeg; *.jpg; *.gif; *.png; *.svg; *.webp)");
    EXPECT_EQ(request.filters[0].patterns, "*.jpeg; *.jpg; *.gif; *.png; *.svg; *.webp");
    EXPECT_EQ(request.initialPath, user.documents());
    EXPECT_EQ(asked[1].fileDialog.initialPath, "/pictures/logo.png");
}

TEST_F(OptionsTest, LogoClearedByItsButtonOrDeleteOrBackspaceInTheBox_TheSiteHasNoLogo)
{
    press(Qt::Key_F5);
    auto *box = control<QLineEdit>("Edit6");
    auto *clear = control<QAbstractButton>("logoClearButton");
    EXPECT_FALSE(clear->isEnabled()) << "nothing to remove yet";
    dialogs.answerFile("/pictures/logo.png");
    click(control<QAbstractButton>("logoButton"));
    saveAs(home.file("site.cvp"));
    ASSERT_FALSE(session->isModified());

    click(clear);
    EXPECT_EQ(session->project().logoPath, "");
    EXPECT_EQ(box->text(), "");
    EXPECT_FALSE(clear->isEnabled());
    EXPECT_TRUE(session->isModified());

    for (const Qt::Key key : { Qt::Key_Delete, Qt::Key_Backspace }) {
        dialogs.answerFile("/pictures/logo.png");
        click(control<QAbstractButton>("logoButton"));
        box->setFocus();
        press(key);
        EXPECT_EQ(session->project().logoPath, "") << key;
        EXPECT_EQ(box->text(), "");
    }
}

} // namespace
} // namespace Testing
