#include "ui/Application.h"

#include <QWidget>
#include <utility>

#include "ui/Abort.h"
#include "ui/MessageBox.h"

namespace ui {

namespace {

int programPathOnly = 1;  // the argument count the toolkit sees, for the process's lifetime

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(programPathOnly, argv) {
    for (int i = 0; i < argc; ++i)
        commandLine_ << QString::fromLocal8Bit(argv[i]);
}

Application::~Application() {
    for (auto form = forms_.rbegin(); form != forms_.rend(); ++form)
        delete form->data();
}

Application* Application::instance() {
    return qobject_cast<Application*>(QCoreApplication::instance());
}

void Application::addForm(QWidget* form) {
    std::erase_if(forms_, [](const QPointer<QWidget>& f) { return f.isNull(); });
    forms_.emplace_back(form);
    if (!mainForm_) {
        mainForm_ = form;
        form->setAttribute(Qt::WA_QuitOnClose, true);
    } else {
        form->setAttribute(Qt::WA_QuitOnClose, false);
    }
}

int Application::run() {
    if (!mainForm_)
        return 0;
    showingMain_ = true;
    mainForm_->show();
    showingMain_ = false;
    if (pending_) {
        mainForm_->hide();
        std::rethrow_exception(std::exchange(pending_, nullptr));
    }
    if (!mainForm_ || !mainForm_->isVisible())
        return 0;
    return exec();
}

void Application::processMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void Application::handleException(const std::exception& e) {
    if (dynamic_cast<const Abort*>(&e))
        return;
    if (onException_)
        onException_(e);
    else
        showMessage(QString::fromUtf8(e.what()));
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        if (!showingMain_) {
            handleException(e);
        } else {
            if (!pending_)
                pending_ = std::current_exception();
            // The window whose first show failed is never put on the screen.
            if (mainForm_)
                mainForm_->setAttribute(Qt::WA_DontShowOnScreen);
        }
    }
    return false;
}

}  // namespace ui
