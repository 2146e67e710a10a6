#include <iostream>

#include "cli/CliCommand.h"

int main(int argc, char** argv) {
    return qda::cli::RunCli(argc, argv, std::cout, std::cerr);
}
