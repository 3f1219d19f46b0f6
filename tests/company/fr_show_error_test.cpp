#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "company/Fr_ShowError.h"
#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "config/Workstation.h"
#include "dbcore/Error.h"
#include "ui/Application.h"

namespace {

const QChar CR(13);

// A dialog shown the way the handler shows it, without waiting on a modal loop.
struct ShownDialog {
    explicit ShownDialog(const QString& text) {
        dialog.ErrorText = text;
        dialog.show();
        QCoreApplication::processEvents();
    }
    TFrShowError dialog;
};

// The configuration module with its report hook watched.
struct ReportWatchingConfig : TDMConfig {
    void SendErrorMail(const QString& subject, const QString& body) override {
        reports << QStringList{subject, body};
    }
    QList<QStringList> reports;
};

}  // namespace

TEST(ErrorDialog, ShowingResetsTheCountdownAndFocusesDontSend) {
    ShownDialog shown(QStringLiteral("กำหนดราคาไม่ครบถ้วน") + CR + "CANNOT INSERT" + CR);
    TFrShowError& d = shown.dialog;
    EXPECT_EQ(d.windowTitle(), "Windows Error Message");
    EXPECT_EQ(d.Timer1->interval(), 1000);
    EXPECT_TRUE(d.Timer1->isActive());
    EXPECT_EQ(d.CountDown, 10);
    EXPECT_FALSE(d.SendingReport);
    EXPECT_TRUE(d.TimeCount->text().isEmpty());
    EXPECT_EQ(d.focusWidget(), d.BCancel);
    EXPECT_EQ(d.pos(), QPoint(50, 100));
    // The carriage returns break the lines of the text box.
    EXPECT_EQ(d.ErrorBox->toPlainText(), QStringLiteral("กำหนดราคาไม่ครบถ้วน") + "\nCANNOT INSERT\n");
    EXPECT_EQ(d.ErrorBox->document()->blockCount(), 3);
}

TEST(ErrorDialog, ClosesByItselfOnTheNinthTick) {
    ShownDialog shown("boom");
    TFrShowError& d = shown.dialog;
    for (int tick = 1; tick <= 8; ++tick) {
        d.Timer1Timer();
        ASSERT_TRUE(d.isVisible()) << "tick " << tick;
    }
    d.Timer1Timer();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
}

TEST(ErrorDialog, EnterOnTheFocusedButtonClosesWithoutAReport) {
    ShownDialog shown("boom");
    QTest::keyClick(&shown.dialog, Qt::Key_Return);
    EXPECT_FALSE(shown.dialog.isVisible());
    EXPECT_EQ(shown.dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(shown.dialog.SendingReport);
}

TEST(ErrorDialog, SendErrorBuildsTheReportAndClosesAtOnce) {
    ReportWatchingConfig cfg;
    cfg.UserCode = "  somchai ";
    cfg.CompanyDbName = " DEMO ";
    cfg.MenuCaption = " คำนวณยอดคงเหลือ ";
    ShownDialog shown(QString(CR) + "INVALID OBJECT NAME 'X'." + CR);
    TFrShowError& d = shown.dialog;
    d.Timer1Timer();
    d.BOk->click();
    EXPECT_TRUE(d.SendingReport);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.ReportSubject(), QStringLiteral("Error DEMO คำนวณยอดคงเหลือ"));
    EXPECT_EQ(d.ReportBody(), "[User = somchai] " + QString(CR) + "Local IP = " + LocalIpAddress() +
                                  CR + CR + "INVALID OBJECT NAME 'X'." + CR);
    EXPECT_EQ(cfg.reports, (QList<QStringList>{{d.ReportSubject(), d.ReportBody()}}))
        << "the report goes to the configuration module's hook once";
    // No later tick acts once the report is being sent.
    const int left = d.CountDown;
    for (int i = 0; i < 20; ++i)
        d.Timer1Timer();
    EXPECT_EQ(d.CountDown, left);
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

// The handler is reached through the application's error event and shows the dialog modally.
class ErrorHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override { QDir::setCurrent(previous); }

    void writeServerDat(const QByteArray& line) {
        QFile f(dir.filePath("Server.Dat"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(line + "\n");
    }

    // Raises `error` through the application's error event; returns what the dialog showed.
    QString raiseAndRead(const std::exception& error) {
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TFrShowError*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            shown = dialog->ErrorBox->toPlainText();
            dialog->BCancel->click();
        });
        ui::Application::instance()->handleException(error);
        return shown;
    }

    QTemporaryDir dir;
    QString previous;
};

TEST_F(ErrorHandlerTest, FailingErrorLogStillShowsTheDialogAndReportsTheLogFailure) {
    // A configuration server that cannot be reached: the error log cannot be written.
    writeServerDat("odbc:Driver=NoSuchDriverForThisTest");
    TDM dm;
    TDMConfig cfg;
    testing::internal::CaptureStderr();
    const QString shown = raiseAndRead(db::Error(
        db::Error::Kind::Server,
        "Cannot insert the value NULL into column 'Salesman', table 'DEMO.dbo.IvHd'", 515));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(shown, QStringLiteral("ไม่ได้ป้อนข้อมูลพนักงานขาย") +
                         "\nCANNOT INSERT THE VALUE NULL INTO COLUMN 'SALESMAN', TABLE "
                         "'DEMO.DBO.IVHD'\n");
    EXPECT_NE(err.find("Error log not written"), std::string::npos) << err;
    EXPECT_NE(err.find("'Salesman'"), std::string::npos) << err;
}
