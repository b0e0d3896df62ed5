// The simulator's line: a pseudo-terminal or a serial device, the pacing of a real line, the
// simulated losses, and the control commands read from standard input.
#pragma once

#include "tools/tester_sim/tester_sim.h"

#include <string>
#include <vector>

struct SimOptions
{
    std::string fsDir;
    std::string ptyLink;  // make a pseudo-terminal and point this symbolic link at it
    std::string device;   // or serve on this serial device
    int baud = 0;         // 0: as fast as the line takes it
    double drop = 0.0;    // fraction of frames lost in each direction
    double corrupt = 0.0; // fraction of frames damaged in each direction
    int delayMs = 0;      // turnaround before each answer
    unsigned seed = 0;
    bool seeded = false;
    bool verbose = false;
    std::vector<std::string> faults; // --fault specs, as for TesterSim::SetFault
    // --unplug N:MS: at the N-th request frame (left unanswered) the pseudo-terminal is closed,
    // and made again at the same link MS milliseconds later. 0: no unplug.
    int unplugAtFrame = 0;
    int unplugForMs = 0;
};

// Parses the command line. Returns 0 to run, 1 after printing help, 2 on an error (printed).
int ParseSimOptions(int argc, char** argv, SimOptions& options);

// Returns the text of --help.
const char* SimUsage();

// Serves until SIGTERM, SIGINT, "quit" or the end of standard input is followed by a signal.
// Returns the process exit code.
int RunSimServer(const SimOptions& options);
