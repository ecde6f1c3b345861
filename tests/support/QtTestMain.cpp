// Test main for the Qt layers: widgets need an application object before any test runs.
// The tests set QT_QPA_PLATFORM=offscreen, so no display is needed.

#include <QApplication>
#include <gtest/gtest.h>

// The leak checker's own hook, read only in sanitized runs. libsmbclient drops Samba's log
// file name for every new context without freeing it; the viewer's tests reach a unit over
// SMB too, and a scan worker left behind by a bounded close may still hold a context at exit.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libtalloc.so\nleak:libsmbclient.so\n";
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
