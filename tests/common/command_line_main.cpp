#include <gtest/gtest.h>

#include "ui/Application.h"
#include "ui/PictureLoader.h"

// The menu program's command line: menu entry 501, user 7, the company database with blanks
// around it (the company connection trims them, keeping the letter case), task 3.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    char program[] = "voq-recalc";
    char menu[] = "501";
    char user[] = "7";
    char company[] = "  Demo_Co\t ";
    char unused[] = "-";
    char task[] = "3";
    char* args[] = {program, menu, user, company, unused, task, nullptr};
    int count = 6;
    ui::Application app(count, args);
    ui::JpegFormatRegistration jpeg;  // the splash picture is a JPEG
    return RUN_ALL_TESTS();
}
