#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolTip>
#include <memory>

#include "hints/BalloonPlacement.h"
#include "hints/FhHintWindow.h"
#include "hints/FormHints.h"
#include "ui/Application.h"
#include "ui/ApplicationHints.h"

namespace {

// A main window with one button that has a tool tip, shown at a known place on the screen.
class HintWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        main = std::make_unique<QWidget>();
        main->setGeometry(100, 100, 300, 200);
        button = new QPushButton("Exit", main.get());
        button->setGeometry(20, 20, 80, 30);
        button->setToolTip("Exit Program");
        ui::Application::instance()->addForm(main.get());
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
    }
    void TearDown() override {
        QToolTip::hideText();
        ui::ApplicationHints::instance().cancelHint();
    }

    ui::HintWindow* hintWindow() const { return ui::ApplicationHints::instance().hintWindow(); }
    TfhHintWindow* balloon() const { return qobject_cast<TfhHintWindow*>(hintWindow()); }

    // The pointer comes to rest on the button: the toolkit asks it for its tool tip.
    void restOnButton(QPoint at = {10, 10}) {
        QCursor::setPos(button->mapToGlobal(at));
        QHelpEvent event(QEvent::ToolTip, at, button->mapToGlobal(at));
        QApplication::sendEvent(button, &event);
    }
    bool anyHintShown() const {
        return QToolTip::isVisible() || (hintWindow() && hintWindow()->isVisible());
    }

    std::unique_ptr<QWidget> main;
    QPushButton* button = nullptr;
};

}  // namespace

TEST_F(HintWindowTest, EveryPropertyStartsAtItsDefault) {
    TFormHints hints(main.get());
    EXPECT_TRUE(hints.Active());
    EXPECT_EQ(hints.BiDiMode, TfhSimpleBiDiMode::bdLeftToRight);
    EXPECT_EQ(hints.ColorBackground,
              QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipBase));
    EXPECT_EQ(hints.ColorBorder, QColor(Qt::black));
    EXPECT_EQ(hints.ColorShadow, QColor(128, 128, 128));
    EXPECT_EQ(hints.Direction, TfhHintDirection::dUpRight);
    EXPECT_EQ(hints.Font().color,
              QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipText));
    EXPECT_EQ(hints.MaxWidth, 0);
    EXPECT_TRUE(hints.Rounded);
    EXPECT_EQ(hints.RoundRadius, 18);
    EXPECT_TRUE(hints.ShowArrow);
    EXPECT_TRUE(hints.ShowShadow);
    EXPECT_EQ(hints.TextAlignment, TfhTextAlignment::taNone);
    EXPECT_FALSE(hints.Transparent);
    EXPECT_EQ(hints.TransparencyRate, 30);
    EXPECT_FALSE(hints.OnShowHint);
}

TEST_F(HintWindowTest, ATransparencyRateIsAShareFromZeroToAHundred) {
    TFormHints hints(main.get());
    hints.TransparencyRate = 100;
    hints.TransparencyRate = 0;
    EXPECT_THROW(hints.TransparencyRate = 101, std::out_of_range);
    EXPECT_THROW(hints.TransparencyRate = -1, std::out_of_range);
    EXPECT_EQ(hints.TransparencyRate, 0);
}

TEST_F(HintWindowTest, CreatingItTurnsToolTipsIntoBalloonsAndActiveFalseTurnsThemBack) {
    auto hints = std::make_unique<TFormHints>(main.get());
    ASSERT_TRUE(balloon());
    EXPECT_TRUE(ui::ApplicationHints::instance().showHint());
    restOnButton();
    EXPECT_TRUE(balloon()->isVisible());
    EXPECT_FALSE(QToolTip::isVisible());
    EXPECT_EQ(balloon()->text(), "Exit Program");

    hints->setActive(false);
    EXPECT_EQ(hintWindow(), nullptr);
    restOnButton();
    EXPECT_TRUE(QToolTip::isVisible()) << "the toolkit's own tip";
    EXPECT_EQ(QToolTip::text(), "Exit Program");
    QToolTip::hideText();

    hints->setActive(true);
    ASSERT_TRUE(balloon());
    restOnButton();
    EXPECT_TRUE(balloon()->isVisible());
    hints->setActive(false);
}

TEST_F(HintWindowTest, WithTheShowHintsSwitchOffNoToolTipShows) {
    ui::ApplicationHints& application = ui::ApplicationHints::instance();
    TFormHints hints(main.get());
    application.setShowHint(false);
    restOnButton();
    EXPECT_FALSE(anyHintShown());
    hints.setActive(false);  // turns the switch on again
    application.setShowHint(false);
    restOnButton();
    EXPECT_FALSE(anyHintShown()) << "nor the toolkit's own";
    application.setShowHint(true);
    restOnButton();
    EXPECT_TRUE(QToolTip::isVisible());
}

TEST_F(HintWindowTest, ABalloonGoesWhenThePointerLeavesOrTheUserClicks) {
    TFormHints hints(main.get());
    restOnButton();
    ASSERT_TRUE(balloon()->isVisible());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_FALSE(balloon()->isVisible());

    restOnButton();
    ASSERT_TRUE(balloon()->isVisible());
    QTest::mousePress(main.get(), Qt::LeftButton, {}, QPoint(250, 150));
    EXPECT_FALSE(balloon()->isVisible());
    hints.setActive(false);
}

TEST_F(HintWindowTest, WithNoFormHintsOnTheMainFormNoHintShowsAtAll) {
    QWidget other;
    TFormHints hints(&other);  // switches the application, but not on its main form
    restOnButton();
    EXPECT_FALSE(anyHintShown());

    TfhHintWindow window;
    window.ActivateHint(QRect(0, 0, 80, 20), "Exit Program");
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.HintSettings(), nullptr);
    hints.setActive(false);
}

TEST_F(HintWindowTest, SettingsAreThoseOfTheMainFormLookedUpAgainWhenGone) {
    TfhHintWindow window;
    auto hints = std::make_unique<TFormHints>(main.get());
    EXPECT_EQ(window.HintSettings(), hints.get());
    hints.reset();
    EXPECT_EQ(window.HintSettings(), nullptr);
    TFormHints later(main.get());
    EXPECT_EQ(window.HintSettings(), &later);
    later.setActive(false);
}

TEST_F(HintWindowTest, TheFontAppliesToTheLiveWindow) {
    TFormHints hints(main.get());
    QFont face("DejaVu Serif");
    face.setPixelSize(17);
    hints.setFont({face, QColor(200, 0, 0)});
    EXPECT_EQ(balloon()->font(), face);
    EXPECT_EQ(balloon()->textColor(), QColor(200, 0, 0));

    hints.setActive(false);
    hints.setActive(true);
    EXPECT_EQ(balloon()->font(), face) << "a new hint window gets the font too";
    hints.setActive(false);
}

TEST_F(HintWindowTest, MaxWidthOfTheSettingsWrapsTheHint) {
    TFormHints hints(main.get());
    const QString text = "one two three four five six seven";
    const QRect wide = balloon()->CalcHintRect(800, text);
    hints.MaxWidth = 60;
    const QRect narrow = balloon()->CalcHintRect(800, text);
    EXPECT_LE(narrow.width(), 66);
    EXPECT_GT(narrow.height(), wide.height() * 2);
    EXPECT_EQ(wide.topLeft(), QPoint(0, 0));
    hints.setActive(false);
}

TEST_F(HintWindowTest, TheBalloonStandsNextToThePointerInItsPlacedSize) {
    TFormHints hints(main.get());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    for (const QPoint pointer : {QPoint(300, 300), QPoint(screen.width() - 20, 300),
                                 QPoint(300, 10), QPoint(screen.width() - 20, 10)}) {
        QCursor::setPos(pointer);
        const QRect rect(0, 0, 90, 17);
        balloon()->ActivateHint(rect, "Exit Program");
        const BalloonPlacement expected =
            placeBalloon(pointer, rect.size(), screen, TfhHintDirection::dUpRight);
        EXPECT_EQ(balloon()->ArrowPosition, expected.arrowPosition);
        EXPECT_EQ(balloon()->geometry(),
                  QRect(expected.corner, balloonSize(rect.size(), expected.arrowPosition)));
        EXPECT_EQ(balloon()->BackgroundBitmap.size(), balloon()->size());
    }
    QCursor::setPos(screen.width() - 20, 10);
    balloon()->ActivateHint(QRect(0, 0, 90, 17), "Exit Program");
    EXPECT_EQ(balloon()->ArrowPosition, arrowTopRight);
    hints.setActive(false);
}

TEST_F(HintWindowTest, TheBalloonIsDrawnOverTheScreenUnderIt) {
    TFormHints hints(main.get());
    QPalette red = main->palette();
    red.setColor(QPalette::Window, QColor(200, 0, 0));
    main->setPalette(red);
    main->setAutoFillBackground(true);
    main->repaint();
    QCursor::setPos(main->mapToGlobal(QPoint(150, 150)));  // the balloon lies on the window
    balloon()->ActivateHint(QRect(0, 0, 90, 17), "Exit Program");
    ASSERT_TRUE(balloon()->isVisible());
    const QImage shown = balloon()->grab().toImage();
    const int w = balloon()->width();
    EXPECT_EQ(balloon()->BackgroundBitmap.pixelColor(w - 1, 0), QColor(200, 0, 0));
    EXPECT_EQ(shown.pixelColor(w - 1, 0), QColor(200, 0, 0)) << "beside the rounded corner";
    EXPECT_EQ(shown.pixelColor(w / 2, 4), hints.ColorBackground) << "inside the body";
    hints.setActive(false);
}

TEST_F(HintWindowTest, AlignedHintsAreTrimmedLineByLine) {
    TFormHints hints(main.get());
    balloon()->ActivateHint(QRect(0, 0, 90, 30), "  Exit  \r\n Program ");
    EXPECT_EQ(balloon()->text(), "  Exit  \r\n Program ");
    hints.TextAlignment = TfhTextAlignment::taCenter;
    balloon()->ActivateHint(QRect(0, 0, 90, 30), "  Exit  \r\n Program ");
    EXPECT_EQ(balloon()->text(), "Exit\nProgram\n");
    hints.setActive(false);
}

TEST_F(HintWindowTest, OnShowHintSeesTheControlUnderThePointerAndMayChangeTheText) {
    TFormHints hints(main.get());
    QWidget* seenControl = nullptr;
    ui::HintWindow* seenSender = nullptr;
    hints.OnShowHint = [&](TfhHintWindow* sender, QWidget* control, QString& hint, bool& allow,
                           bool& standard) {
        seenSender = sender;
        seenControl = control;
        EXPECT_EQ(hint, "Exit Program");
        EXPECT_TRUE(allow);
        EXPECT_FALSE(standard);
        hint = "Leave the program now, saving nothing that is not saved";
    };
    button->setEnabled(false);  // disabled controls count
    restOnButton();
    EXPECT_EQ(seenSender, balloon());
    EXPECT_EQ(seenControl, button);
    ASSERT_TRUE(balloon()->isVisible());
    EXPECT_EQ(balloon()->text(), "Leave the program now, saving nothing that is not saved");
    const int shortWidth = QFontMetrics(balloon()->font()).horizontalAdvance("Exit Program");
    EXPECT_GT(balloon()->width(), shortWidth + 60) << "sized for the new text";
    hints.setActive(false);
}

TEST_F(HintWindowTest, OnShowHintMayVetoTheHint) {
    TFormHints hints(main.get());
    hints.OnShowHint = [](TfhHintWindow*, QWidget*, QString&, bool& allow, bool&) {
        allow = false;
    };
    restOnButton();
    EXPECT_FALSE(anyHintShown());
    hints.setActive(false);
}

TEST_F(HintWindowTest, OnShowHintMayAskForThePlainToolTip) {
    TFormHints hints(main.get());
    hints.OnShowHint = [](TfhHintWindow*, QWidget*, QString& hint, bool&, bool& standard) {
        hint = "changed";
        standard = true;
    };
    QCursor::setPos(300, 300);
    const QRect rect(310, 320, 90, 17);
    balloon()->ActivateHint(rect, "Exit Program");
    EXPECT_TRUE(balloon()->StandardMode());
    EXPECT_TRUE(balloon()->isVisible());
    EXPECT_EQ(balloon()->geometry(), rect) << "the rectangle as the toolkit gave it";
    EXPECT_EQ(balloon()->text(), "Exit Program");
    const QImage shown = balloon()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(rect.width() - 3, rect.height() - 3),
              QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipBase))
        << "the toolkit's tool-tip panel fills the window";

    hints.OnShowHint = nullptr;
    balloon()->ActivateHint(QRect(0, 0, 90, 17), "Exit Program");
    EXPECT_FALSE(balloon()->StandardMode()) << "a balloon again";
    hints.setActive(false);
}
