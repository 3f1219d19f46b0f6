#include "app/StartUp.h"

#include <QStringList>
#include <iostream>
#include <memory>

#include "app/Fr_FormLogo.h"
#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "product/Dm_Product.h"
#include "recalc/Fr_Calculate_AP.h"
#include "recalc/Fr_Calculate_AR.h"
#include "recalc/Fr_Calculate_OnHand.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "ui/ProcessEnd.h"

namespace {

// Command-line parameter n (1-based); empty when absent.
QString param(const QStringList& arguments, int n) {
    return n <= arguments.size() ? arguments[n - 1] : QString();
}

int toInteger(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        throw std::runtime_error(("'" + text + "' is not a valid integer value").toStdString());
    return value;
}

void createTaskForm(ui::Application& app, int taskKind) {
    switch (taskKind) {
        case 1:
            app.createForm<TFrCalculate_AP>();
            break;
        case 2:
            app.createForm<TFrCalculate_AR>();
            break;
        case 3:
            app.createForm<TFrCalculate_OnHand>();
            break;
        default:
            break;  // no window for any other task
    }
}

}  // namespace

int StartUp(int argc, char** argv, const QStringList& arguments) {
    if (arguments.isEmpty())
        return 0;
    ui::Application app(argc, argv);

    FormLogo = new TFormLogo;
    FormLogo->showPainted();

    auto dm = std::make_unique<TDM>();
    auto config = std::make_unique<TDMConfig>();
    auto product = std::make_unique<TDmProduct>();
    int exitCode = 0;
    try {
        config->TaskKind = toInteger(param(arguments, 5));
        config->MenuId = toInteger(param(arguments, 1));
        config->UserId = toInteger(param(arguments, 2));
        config->GetCompanyConfig(param(arguments, 3));
        config->CheckRight(config->MenuId, config->UserId);
        if (config->AccessRight)
            createTaskForm(app, config->TaskKind);
        app.run();
    } catch (const ui::ProcessEnd& end) {
        exitCode = end.exitCode();
    } catch (const std::exception& e) {
        const QString message = QString::fromUtf8(e.what());
        std::cerr << "voq-recalc: " << e.what() << std::endl;
        ui::showMessage(message);
        exitCode = 1;
    }
    delete app.mainForm();
    delete FormLogo;
    FormLogo = nullptr;
    return exitCode;
}
