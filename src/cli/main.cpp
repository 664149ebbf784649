#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/Cli.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  // Whatever escapes a command is told and ends it failed, never as an abort: the files the
  // command writes are written beside and renamed, so none is left half written.
  try {
    return quantorial::RunCli(args, std::cout, std::cerr);
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    std::cerr << "quantorial-cli: out of memory: the command needs more memory than this machine can give it; "
                 "nothing more was done\n";
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "quantorial-cli: internal error: " << e.what() << "; nothing more was done\n";
  } catch (...) {
    std::cout.flush();
    std::cerr << "quantorial-cli: internal error; nothing more was done\n";
  }
  return 1;
}
