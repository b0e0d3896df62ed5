// zolt-tester-sim: a stand-in for the handheld tester on a pseudo-terminal or a serial line.
#include "tools/tester_sim/sim_server.h"

int main(int argc, char** argv)
{
    SimOptions options;
    const int parsed = ParseSimOptions(argc, argv, options);
    if (parsed == 1)
        return 0;
    if (parsed == 2)
        return 2;
    return RunSimServer(options);
}
