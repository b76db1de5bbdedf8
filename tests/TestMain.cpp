// Test entry point: one QApplication for the whole run (window tests need it,
// and the device link processes its events while it waits for a reply).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QApplication::setApplicationName("Orvane");
    QApplication::setApplicationVersion(ORVANE_VERSION);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
