#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>

#include "tests/app/own_display.h"

namespace {

// Mesa's drivers are unloaded when the last context goes; the leak checker at exit then cannot
// name the library of their one-time allocations and so cannot apply its suppressions. Keeping
// them loaded keeps their names.
void KeepGraphicsDriversLoaded() {
    for (const char* library :
         {"libGLX_mesa.so.0", "libEGL_mesa.so.0", "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"})
        if (void* handle = dlopen(library, RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE)) dlclose(handle);
}

}  // namespace

// One QApplication for the whole run; every test starts its own viewer inside it. Listing the
// tests needs no display, so none is opened for that; a run without one starts its own.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    const OwnDisplay display;
    if (!display.Ready()) {
        std::fprintf(stderr, "tesmora_app_tests: %s\n", display.Error());
        return 1;
    }
    KeepGraphicsDriversLoaded();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
