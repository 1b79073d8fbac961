// kvr-config, started exactly as the program starts, with the first-paint probe on its
// window.

#include "program.h"
#include "startup_probe.h"

int main(int argc, char* argv[]) {
    return run_kvr_config(argc, argv, install_startup_probe);
}
