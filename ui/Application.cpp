#include "ui/Application.h"

#include <QWidget>
#include <utility>

#include "ui/Abort.h"
#include "ui/MessageBox.h"

namespace ui {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

Application::~Application() = default;

Application* Application::instance() {
    return qobject_cast<Application*>(QCoreApplication::instance());
}

void Application::addForm(QWidget* form) {
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
    if (pending_)
        std::rethrow_exception(std::exchange(pending_, nullptr));
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
        if (!showingMain_)
            handleException(e);
        else if (!pending_)
            pending_ = std::current_exception();
    }
    return false;
}

}  // namespace ui
