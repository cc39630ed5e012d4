// Writes a row-list file of random rows for the Open measurements.
//
//   quorva_make_row_list COUNT FILE

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "model/files/atomic_file_writer.h"
#include "support/random_rows.h"

int main(int argc, char** argv)
{
    quorva::IgnoreBrokenPipes();
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s COUNT FILE\n", argv[0]);
        return 2;
    }
    try {
        quorva::test::WriteRandomRowListFile(std::strtoull(argv[1], nullptr, 10), argv[2]);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
