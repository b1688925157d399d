// The main of the benchmarks that open ports: they run on the platform the programs start,
// with the serial component known to form descriptions.
#include <benchmark/benchmark.h>

#include "comm/CommClasses.h"
#include "platform/devices/DevicesPlatform.h"
#include "platform/serial/SerialPlatform.h"

int main(int argc, char** argv) {
    InitSerialPlatform();
    InitDevicesPlatform();
    RegisterCommClasses();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
