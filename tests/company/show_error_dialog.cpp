// Shows the error dialog for a duplicate-key error until its countdown closes it.
#include "company/ErrorTranslation.h"
#include "company/Fr_ShowError.h"
#include "ui/Application.h"

int main(int argc, char** argv) {
    ui::Application app(argc, argv);
    TFrShowError dialog;
    dialog.ErrorText = company::errorDialogText(
        "Violation of PRIMARY KEY constraint 'PK_Product'. Cannot insert duplicate key in object "
        "'dbo.Product'.");
    return dialog.exec();
}
