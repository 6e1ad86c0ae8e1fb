#include "platform/widgets/QtServices.h"

#include <QApplication>
#include <gtest/gtest.h>

// Every test binary runs with a QApplication on the offscreen platform, so
// window tests need no display, and with the program's Qt services, which a
// test replaces with scripted ones.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::UseQtServices();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
