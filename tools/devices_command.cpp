#include <cstdio>
#include <string>
#include <vector>

#include "tools/cli.h"
#include "tools/command.h"
#include "tools/output_devices.h"

namespace {

void printDetails(FILE* out)
{
    std::fprintf(out,
                 "Lists the sound output devices: the number and name that orvane play --device takes\n"
                 "(a name may be given in part), the system's default marked. Says so on standard\n"
                 "error when there is none.\n");
}

int runDevices(const std::vector<std::string>& args)
{
    if (!args.empty())
        return usageError("takes no arguments");
    const std::vector<TessorDevice> devices = outputDevices();
    if (devices.empty()) {
        note("orvane devices: no sound output device found");
        return 0;
    }
    std::printf("device  name\n");
    for (const TessorDevice& d : devices)
        std::printf("%6d  %s%s\n", d.device, d.name, d.isDefault ? "  (default)" : "");
    return 0;
}

}  // namespace

ORVANE_COMMAND("devices", "", "list the sound output devices that play --device takes", runDevices, printDetails);
