#pragma once

#include <QApplication>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <exception>
#include <functional>
#include <vector>

namespace ui {

// The application object: create-form (the first form becomes the main window), the event loop,
// process-messages, the title, and one application-wide event for errors that escape an event
// handler while the loop runs.
class Application : public QApplication {
    Q_OBJECT
public:
    using ExceptionHandler = std::function<void(const std::exception&)>;

    // The toolkit is given the program path only, so that its own options (-platform, -style,
    // -reverse, ...) among the parameters change nothing; commandLine() keeps them all.
    Application(int& argc, char** argv);
    ~Application() override;

    // The command line as the process got it, the program path first.
    const QStringList& commandLine() const { return commandLine_; }

    static Application* instance();

    // Registers a created top-level form, which the application then owns: the forms still
    // there when it ends are destroyed with it. The first one registered becomes the main
    // window: only its closing ends the event loop.
    void addForm(QWidget* form);
    template <class Form, class... Args>
    Form* createForm(Args&&... args) {
        auto* form = new Form(std::forward<Args>(args)...);
        addForm(form);
        return form;
    }
    QWidget* mainForm() const { return mainForm_; }

    // Shows the main window and runs the event loop until it has closed; returns at once when
    // there is no main window. An error raised while the window is first shown is raised from
    // here, before the loop starts, and the window stays off the screen.
    int run();
    // Handles the pending window messages, for long work on the user-interface thread.
    static void processMessages();

    void setTitle(const QString& title) { setApplicationDisplayName(title); }
    QString title() const { return applicationDisplayName(); }

    // The handler errors escaping an event handler reach. A silent abort (ui::Abort) never
    // reaches it. Without a handler the error's message is shown in a plain box.
    void setOnException(ExceptionHandler handler) { onException_ = std::move(handler); }
    void handleException(const std::exception& e);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    QStringList commandLine_;
    QPointer<QWidget> mainForm_;
    std::vector<QPointer<QWidget>> forms_;
    ExceptionHandler onException_;
    bool showingMain_ = false;
    std::exception_ptr pending_;  // raised while the main window was first shown
};

}  // namespace ui
