// Every test program runs with a QApplication so that widgets, timers and
// event loops behave as in the programs; offscreen when no display is set.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rankhold"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
