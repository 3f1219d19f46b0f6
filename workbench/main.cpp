#include <QStringList>
#include <iostream>
#include <memory>

#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "product/Dm_Product.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "workbench/Fr_Workbench.h"

// The suite's menu starts it as it starts its other programs: menu id, user id, company
// database (a fourth and fifth value are not read).
int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: voq-workbench MENU-ID USER-ID COMPANY-DB" << std::endl;
        return argc == 1 ? 0 : 1;
    }
    ui::Application app(argc, argv);
    auto dm = std::make_unique<TDM>();
    auto config = std::make_unique<TDMConfig>();
    auto product = std::make_unique<TDmProduct>();
    try {
        const QStringList& line = app.commandLine();
        bool menuOk = false, userOk = false;
        config->MenuId = line[1].toInt(&menuOk);
        config->UserId = line[2].toInt(&userOk);
        if (!menuOk || !userOk)
            throw std::runtime_error("menu id and user id must be whole numbers");
        config->GetCompanyConfig(line[3]);
        config->CheckRight(config->MenuId, config->UserId);
        if (!config->AccessRight)
            return 0;
        app.createForm<TFrWorkbench>();
        const int code = app.run();
        delete app.mainForm();
        return code;
    } catch (const std::exception& e) {
        std::cerr << "voq-workbench: " << e.what() << std::endl;
        ui::showMessage(QString::fromUtf8(e.what()));
        return 1;
    }
}
