#include "check/CheckTool.h"

int main(int argc, char** argv) {
  return tarnwell::check::RunCheckTool(argc, argv);
}
