// Only generic POSIX code here: the host build's entry point. Arguments
// are ignored, as on the device.
#include "app/RunInstaller.h"

int main() { return tarnwell::RunProgram(); }
