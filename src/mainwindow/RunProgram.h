#pragma once
// The interactive program from start to end: the application, its windows and the
// network or batch job of the command line. Returns the process's exit status.
int RunVelmora(int argc, char* argv[]);
