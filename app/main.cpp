#include "app/tesmora_app.h"

int main(int argc, char** argv) {
    CTesmoraApp app(argc, argv);
    if (!app.InitInstance()) return app.ExitCode();
    return app.Run();
}
