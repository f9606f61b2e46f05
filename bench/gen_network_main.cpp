// Writes a capacity-size network data file: gen_network <file.dat>
#include "NetworkGenerator.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "uso: gen_network <archivo.dat>\n");
        return 2;
    }
    if (!benchgen::WriteNetworkFile(argv[1])) {
        std::fprintf(stderr, "no se pudo escribir %s\n", argv[1]);
        return 1;
    }
    return 0;
}
