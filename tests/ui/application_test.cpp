#include <gtest/gtest.h>

#include <QTimer>
#include <QWidget>
#include <stdexcept>

#include "ui/Abort.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

namespace {

// A widget whose handler raises, as a form's handler would on a database error.
class ThrowingWidget : public QWidget {
public:
    bool abort = false;

protected:
    void showEvent(QShowEvent*) override {
        if (abort)
            throw ui::Abort();
        throw std::runtime_error("handler failed");
    }
};

}  // namespace

TEST(Application, ErrorsEscapingHandlersReachTheApplicationEvent) {
    auto* app = ui::Application::instance();
    ASSERT_NE(app, nullptr);
    QStringList seen;
    app->setOnException([&](const std::exception& e) { seen << QString::fromUtf8(e.what()); });
    ThrowingWidget w;
    w.show();
    ui::Application::processMessages();
    EXPECT_EQ(seen, QStringList({"handler failed"}));

    ThrowingWidget silent;
    silent.abort = true;
    silent.show();
    ui::Application::processMessages();
    EXPECT_EQ(seen.size(), 1) << "a silent abort is not reported";
    app->setOnException(nullptr);
}

TEST(Application, WithoutHandlerTheMessageIsShownInAPlainBox) {
    std::vector<ui::MessageBoxRequest> shown;
    ui::setMessageBoxResponder([&](const ui::MessageBoxRequest& r) {
        shown.push_back(r);
        return true;
    });
    ui::Application::instance()->handleException(std::runtime_error("ไม่พบข้อมูล"));
    ui::setMessageBoxResponder(nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, ui::MessageBoxRequest::Kind::Plain);
    EXPECT_EQ(shown[0].text, "ไม่พบข้อมูล");
}

TEST(Application, LoopEndsWhenTheMainFormClosesNotOtherForms) {
    auto* app = ui::Application::instance();
    auto* main = app->createForm<QWidget>();
    auto* other = app->createForm<QWidget>();
    EXPECT_EQ(app->mainForm(), main);
    other->show();
    QTimer::singleShot(10, other, [other] { other->close(); });
    QTimer::singleShot(50, main, [main] { main->close(); });
    bool stillRunningAfterOther = false;
    QTimer::singleShot(30, app, [&] { stillRunningAfterOther = true; });
    EXPECT_EQ(app->run(), 0);
    EXPECT_TRUE(stillRunningAfterOther);
    delete other;
    delete main;
    EXPECT_EQ(app->mainForm(), nullptr);
}

TEST(Application, TitleIsTheDisplayName) {
    auto* app = ui::Application::instance();
    app->setTitle("คำนวน สินค้าคงเหลือ");
    EXPECT_EQ(app->title(), "คำนวน สินค้าคงเหลือ");
}

TEST(Application, ErrorWhileTheMainFormFirstShowsIsRaisedFromRun) {
    auto* app = ui::Application::instance();
    int handled = 0;
    app->setOnException([&](const std::exception&) { ++handled; });
    auto* form = app->createForm<ThrowingWidget>();
    try {
        app->run();
        FAIL() << "run() returned";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "handler failed");
    }
    EXPECT_EQ(handled, 0) << "the start-up reports it, not the application event";
    EXPECT_FALSE(form->isVisible()) << "the window stays closed behind the error";
    app->setOnException(nullptr);
    delete form;
}
