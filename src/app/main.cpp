// kvr-config: configures the KVR 10-button dimmable switch panel.

#include "program.h"

int main(int argc, char* argv[]) {
    return run_kvr_config(argc, argv);
}
