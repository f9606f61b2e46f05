#include "mainwindow/RunProgram.h"

int main(int argc, char* argv[])
{
    return RunVelmora(argc, argv);
}
